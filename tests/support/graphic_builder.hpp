// Builds graphics for tests: "*NN" + text + "*", an optional scroll marker, pixel bytes.
#pragma once

#include "qrvx.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::test {

using ByteVector = std::vector<std::uint8_t>;

inline ByteVector bytesOf(std::string_view text) {
    return ByteVector(text.begin(), text.end());
}

inline ByteVector parameterBlock(std::string_view text) {
    char header[4];
    std::snprintf(header, sizeof header, "*%02X", static_cast<unsigned>(text.size() & 0xFF));
    // Put together as a string and copied once: g++ 12 at -O3 takes an insert into the vector
    // made from the header for a write past its end.
    std::string block = header;
    block.append(text);
    block.push_back('*');
    return bytesOf(block);
}

// count bytes of a fixed, irregular pattern with blank bytes among them.
inline ByteVector pixelsOf(std::size_t count) {
    ByteVector bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = i % 4 == 3 ? 0 : static_cast<std::uint8_t>(i * 37 + 11);
    }
    return bytes;
}

struct GraphicParts {
    std::optional<std::string_view> parameters; // no block when empty
    std::optional<std::uint8_t> scrollByte;     // no marker when empty
    ByteVector pixels;
};

inline ByteVector makeGraphic(const GraphicParts &parts) {
    ByteVector bytes = parts.parameters ? parameterBlock(*parts.parameters) : ByteVector{};
    if (parts.scrollByte) {
        bytes.insert(bytes.end(), {'U', *parts.scrollByte});
    }
    bytes.insert(bytes.end(), parts.pixels.begin(), parts.pixels.end());
    return bytes;
}

// A QRVX_Graphic over bytes (which must outlive it).
inline QRVX_Graphic graphicOf(ByteVector &bytes, std::uint32_t defaultRowSize = 0,
                              std::uint32_t defaultColumnSize = 0) {
    return QRVX_Graphic{bytes.data(), static_cast<std::uint32_t>(bytes.size()), defaultRowSize,
                        defaultColumnSize};
}

} // namespace qrvx::test
