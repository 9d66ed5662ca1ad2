// A pixel canvas and a small bitmap font for drawing sign images.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qrvx::samples {

// Pixel values 0-3: 0 is the dark background; colour graphics index their palette with them.
class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint8_t at(int x, int y) const;
    // Out-of-range coordinates throw: a layout that does not fit is a bug in the sample table.
    void set(int x, int y, std::uint8_t value);
    void fill(int x, int y, int width, int height, std::uint8_t value);

private:
    int width_, height_;
    std::vector<std::uint8_t> pixels_;
};

constexpr int glyphHeight = 7;

// Characters without a glyph throw std::invalid_argument.
int textWidth(std::string_view text, int scale);
// Draws text with its top-left corner at (x, y); each font pixel becomes scale x scale pixels.
void drawText(Canvas &canvas, int x, int y, std::string_view text, int scale, std::uint8_t value);

} // namespace qrvx::samples
