// Packs a canvas into the pixel data of a graphic and frames it with parameters and a marker.
#pragma once

#include "drawing.hpp"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qrvx::samples {

using Bytes = std::vector<std::uint8_t>;

// Vertical: a line is a column, least significant bits on top. Horizontal: a line is a row,
// most significant bits on the left.
enum class Raster { vertical, horizontal };

struct Format {
    int colourSystem; // 0 monochrome, 1 two one-bit planes, 2 two bits per pixel
    Raster raster;
};

// Bytes of one packed line (of one plane under colour system 1).
int bytesPerLine(const Format &format, int lineLength);

// Colour system 0 lights every non-zero pixel; 1 and 2 keep the value 0-3.
Bytes packPixels(const Canvas &canvas, const Format &format);

// "*", two upper-case hex digits of the text length, the text, "*"; then "U" and scrollByte
// when given; then the pixels. Throws when there is no marker and the pixels begin like one.
Bytes makeGraphic(std::string_view parameters, std::optional<std::uint8_t> scrollByte,
                  const Bytes &pixels);

} // namespace qrvx::samples
