#include "drawing.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace qrvx::samples {
namespace {

// Seven rows of five bits each, bit 4 the left column.
struct Glyph {
    char character;
    std::array<std::uint8_t, glyphHeight> rows;
};

// clang-format off
constexpr std::array font{
    Glyph{' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    Glyph{'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    Glyph{'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    Glyph{'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    Glyph{'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    Glyph{'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    Glyph{'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    Glyph{'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    Glyph{'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    Glyph{'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    Glyph{'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    Glyph{'A', {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11}},
    Glyph{'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    Glyph{'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    Glyph{'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    Glyph{'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    Glyph{'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    Glyph{'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    Glyph{'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    Glyph{'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    Glyph{'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    Glyph{'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    Glyph{'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    Glyph{'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    Glyph{'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    Glyph{'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    Glyph{'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    Glyph{'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    Glyph{'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    Glyph{'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    Glyph{'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    Glyph{'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    Glyph{'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    Glyph{'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    Glyph{'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
};
// clang-format on

constexpr int fontColumns = 5;
constexpr int spaceWidth = 3;

const Glyph &glyphOf(char character) {
    const auto found = std::find_if(font.begin(), font.end(), [character](const Glyph &glyph) {
        return glyph.character == character;
    });
    if (found == font.end()) {
        throw std::invalid_argument(std::string("no glyph for '") + character + "'");
    }
    return *found;
}

// Glyphs are proportional: only the columns that some row lights, so "1" is narrower than "0".
struct Span {
    int first, width;
};

Span spanOf(const Glyph &glyph) {
    std::uint8_t used = 0;
    for (const std::uint8_t row : glyph.rows) {
        used = static_cast<std::uint8_t>(used | row);
    }
    if (used == 0) {
        return {0, spaceWidth};
    }
    int first = 0;
    while ((used & (0x10 >> first)) == 0) {
        ++first;
    }
    int last = fontColumns - 1;
    while ((used & (0x10 >> last)) == 0) {
        --last;
    }
    return {first, last - first + 1};
}

} // namespace

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("empty canvas");
    }
}

std::uint8_t Canvas::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        throw std::out_of_range("pixel outside the canvas");
    }
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void Canvas::set(int x, int y, std::uint8_t value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        throw std::out_of_range("pixel outside the canvas");
    }
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = value;
}

void Canvas::fill(int x, int y, int width, int height, std::uint8_t value) {
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) {
            set(column, row, value);
        }
    }
}

int textWidth(std::string_view text, int scale) {
    int width = 0;
    for (const char character : text) {
        width += spanOf(glyphOf(character)).width * scale;
    }
    const int gaps = text.empty() ? 0 : static_cast<int>(text.size()) - 1;
    return width + gaps * scale;
}

void drawText(Canvas &canvas, int x, int y, std::string_view text, int scale, std::uint8_t value) {
    for (const char character : text) {
        const Glyph &glyph = glyphOf(character);
        const Span span = spanOf(glyph);
        for (int row = 0; row < glyphHeight; ++row) {
            for (int column = 0; column < span.width; ++column) {
                if ((glyph.rows[static_cast<std::size_t>(row)] & (0x10 >> (span.first + column))) !=
                    0) {
                    canvas.fill(x + column * scale, y + row * scale, scale, scale, value);
                }
            }
        }
        x += (span.width + 1) * scale;
    }
}

} // namespace qrvx::samples
