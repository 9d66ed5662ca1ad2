// A decoded graphic drawn as text: in 24-bit colour with half blocks, or in plain characters
// for a terminal or a file that shows no colour.
#pragma once

#include "qrvx.hpp"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace qrvx::cli {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb &) const = default;
};

// "#RRGGBB".
std::string hexOf(Rgb colour);

// A graphic's pixels and the colour of each pixel value; value 0 is the background.
struct TerminalPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::span<const std::uint8_t> pixels; // height rows of width values
    std::vector<Rgb> colours;             // clear and set, or the four palette entries
    bool paletted = false;

    // Through the bitmap's palette; foreground and background serve a monochrome bitmap.
    static TerminalPicture of(const Bitmap &bitmap, const Colour &foreground,
                              const Colour &background);

    std::uint8_t value(std::uint32_t x, std::uint32_t y) const;
    Rgb colour(std::uint32_t x, std::uint32_t y) const;
    // How many different colours the pixels show.
    std::size_t coloursUsed() const;
};

// Columns first .. first + count - 1 of the picture.
struct ColumnBand {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// Two pixel rows a line: "▀" in the upper pixel's colour on the lower pixel's. Each line ends
// with a reset.
void drawInColour(std::ostream &out, const TerminalPicture &picture, ColumnBand band);

// Monochrome two rows a line with " ▀▄█"; paletted one row a line, a shade for each value.
void drawPlain(std::ostream &out, const TerminalPicture &picture, ColumnBand band);

// For the plain drawing of a paletted picture: each shade, its value and colour.
std::string shadeLegend(const TerminalPicture &picture);

} // namespace qrvx::cli
