#include "graphic_builder.hpp"

#include <cstdio>

namespace qrvx::test {

ByteVector parameterBlock(std::string_view text) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(text.size() & 0xFF));
    ByteVector block{'*', static_cast<std::uint8_t>(digits[0]),
                     static_cast<std::uint8_t>(digits[1])};
    block.insert(block.end(), text.begin(), text.end());
    block.push_back('*');
    return block;
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
