#include "graphic_builder.hpp"

#include <cstdio>
#include <string>

namespace qrvx::test {

ByteVector parameterBlock(std::string_view text) {
    char header[4];
    std::snprintf(header, sizeof header, "*%02X", static_cast<unsigned>(text.size() & 0xFF));
    std::string block(header);
    block.append(text);
    block.push_back('*');
    return bytesOf(block);
}

ByteVector pixelsOf(std::size_t count) {
    ByteVector bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = i % 4 == 3 ? 0 : static_cast<std::uint8_t>(i * 37 + 11);
    }
    return bytes;
}

ByteVector makeGraphic(const GraphicParts &parts) {
    ByteVector bytes;
    if (parts.parameters) {
        bytes = parameterBlock(*parts.parameters);
    }
    if (parts.scrollByte) {
        bytes.push_back('U');
        bytes.push_back(*parts.scrollByte);
    }
    bytes.insert(bytes.end(), parts.pixels.begin(), parts.pixels.end());
    return bytes;
}

} // namespace qrvx::test
