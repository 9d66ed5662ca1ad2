// The straightforward decode, one pixel at a time, that the library's decoder is checked
// against: each pixel read from its place in its plane or planes, lines of columns turned into
// rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qrvx::test {

struct OracleGraphic {
    std::uint32_t colourSystem; // 0, 1 or 2
    bool vertical;
    std::uint32_t lineSize; // column size (vertical) or row size (horizontal) in pixels
    std::span<const std::uint8_t> pixelData;
};

struct OracleBitmap {
    std::vector<std::uint8_t> pixels; // L x lines, rows top to bottom
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Pixel index of bits bits each: from the low end of each byte for columns, from the high end
// for rows.
inline unsigned pixelAt(std::span<const std::uint8_t> plane, std::size_t index, unsigned bits,
                        bool lowFirst) {
    const std::size_t bit = index * bits;
    const unsigned shift = lowFirst ? bit % 8 : 8 - bits - bit % 8;
    return plane[bit / 8] >> shift & ((1u << bits) - 1u);
}

// The lines are as many as the pixel data holds whole; the line size must round up to 32 bits.
inline OracleBitmap oracleDecode(const OracleGraphic &graphic) {
    const std::size_t lineLength = (std::size_t{graphic.lineSize} + 7) / 8 * 8;
    const std::span<const std::uint8_t> data = graphic.pixelData;
    const std::size_t half = data.size() / 2;
    const unsigned bits = graphic.colourSystem == 2 ? 2 : 1;
    const std::size_t planeBytes = graphic.colourSystem == 0 ? data.size() : half;
    const std::size_t lines = planeBytes / (lineLength / 8);
    const bool vertical = graphic.vertical;

    OracleBitmap bitmap;
    bitmap.width = static_cast<std::uint32_t>(vertical ? lines : lineLength);
    bitmap.height = static_cast<std::uint32_t>(vertical ? graphic.lineSize : lines);
    bitmap.pixels.resize(lineLength * lines);
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t i = 0; i < lineLength; ++i) {
            const std::size_t index = line * lineLength + i;
            // Two planes: the second half gives bit 0 and the first half bit 1.
            const unsigned value = graphic.colourSystem == 1
                                       ? pixelAt(data.subspan(half), index, 1, vertical) |
                                             pixelAt(data, index, 1, vertical) << 1
                                       : pixelAt(data, index, bits, vertical);
            bitmap.pixels[vertical ? i * lines + line : index] = static_cast<std::uint8_t>(value);
        }
    }
    return bitmap;
}

} // namespace qrvx::test
