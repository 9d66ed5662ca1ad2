// The straightforward decode, one pixel at a time, that the library's decoder is checked
// against: unpack each plane into an image of lines, merge the second plane in, and turn
// columns into rows.
#pragma once

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

// The lines are as many as the pixel data holds whole; the line size must round up to 32 bits.
OracleBitmap oracleDecode(const OracleGraphic &graphic);

} // namespace qrvx::test
