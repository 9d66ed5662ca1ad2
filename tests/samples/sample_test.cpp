// The sample generator's font. (The committed samples are read and encoded again in tests/author.)
#include "drawing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace qrvx::samples {
namespace {

// A slip in the font table shows as a blank glyph or two characters that look alike.
TEST(FontTest, EveryDigitAndCapitalHasItsOwnGlyph) {
    std::set<std::vector<std::uint8_t>> seen;
    for (const char character : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
        Canvas canvas(5, glyphHeight);
        drawText(canvas, 0, 0, std::string(1, character), 1, 1);
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < glyphHeight; ++y) {
            for (int x = 0; x < 5; ++x) {
                pixels.push_back(canvas.at(x, y));
            }
        }
        EXPECT_NE(std::count(pixels.begin(), pixels.end(), 1), 0) << character;
        EXPECT_TRUE(seen.insert(pixels).second) << character;
    }
    EXPECT_EQ(textWidth("11", 2), 14); // proportional: "1" is three columns wide
    EXPECT_THROW(textWidth("a", 1), std::invalid_argument);
}

} // namespace
} // namespace qrvx::samples
