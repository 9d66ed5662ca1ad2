// Builds graphics for tests: "*NN" + text + "*", an optional scroll marker, pixel bytes.
#pragma once

#include "qrvx.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qrvx::test {

using ByteVector = std::vector<std::uint8_t>;

inline ByteVector bytesOf(std::string_view text) {
    return ByteVector(text.begin(), text.end());
}

ByteVector parameterBlock(std::string_view text);

// count bytes of a fixed, irregular pattern with blank bytes among them.
ByteVector pixelsOf(std::size_t count);

struct GraphicParts {
    std::optional<std::string_view> parameters; // no block when empty
    std::optional<std::uint8_t> scrollByte;     // no marker when empty
    ByteVector pixels;
};

ByteVector makeGraphic(const GraphicParts &parts);

// A QRVX_Graphic over bytes (which must outlive it).
inline QRVX_Graphic graphicOf(ByteVector &bytes, std::uint32_t defaultRowSize = 0,
                              std::uint32_t defaultColumnSize = 0) {
    return QRVX_Graphic{bytes.data(), static_cast<std::uint32_t>(bytes.size()), defaultRowSize,
                        defaultColumnSize};
}

} // namespace qrvx::test
