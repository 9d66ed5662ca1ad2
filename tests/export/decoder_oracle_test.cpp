// The decoder against the pixel-by-pixel oracle: every byte value at every position, and random
// graphics of every colour system, raster, line size and length.
#include "support/graphic_builder.hpp"
#include "support/oracle_decoder.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace qrvx::test {
namespace {

struct Format {
    std::uint32_t colourSystem;
    bool vertical;
};

constexpr Format formats[] = {{0, true}, {1, true}, {2, true}, {0, false}, {1, false}, {2, false}};

void expectAsOracle(Format format, std::uint32_t lineSize, const ByteVector &pixelData) {
    const std::string text = std::string(format.vertical ? "VE" : "HE") + std::to_string(lineSize) +
                             ",CS" + std::to_string(format.colourSystem);
    ByteVector bytes = makeGraphic({text, std::nullopt, pixelData});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_Bitmap bitmap;
    ASSERT_EQ(QRVX_parse(&graphic, &bitmap), 0) << text;
    const OracleBitmap expected =
        oracleDecode({format.colourSystem, format.vertical, lineSize, pixelData});
    const std::vector<std::uint8_t> actual(bitmap.pixels, bitmap.pixels + bitmap.pixelCount);
    EXPECT_EQ(bitmap.width, expected.width) << text;
    EXPECT_EQ(bitmap.height, expected.height) << text;
    EXPECT_EQ(actual, expected.pixels) << text << " with " << pixelData.size() << " bytes";
    QRVX_free(&bitmap);
}

// Each plane holds every byte value, after 0 to 7 blank lines of one byte so that each value
// meets every place among eight neighbouring lines.
TEST(DecoderOracle, EveryByteValueAtEveryPosition) {
    for (const Format format : formats) {
        for (std::size_t blank = 0; blank < 8; ++blank) {
            ByteVector plane(blank, 0);
            for (unsigned value = 0; value < 256; ++value) {
                plane.push_back(static_cast<std::uint8_t>(value));
            }
            ByteVector data = plane;
            if (format.colourSystem == 1) {
                // The first half, bit 1, in another order.
                for (auto &byte : data) {
                    byte = static_cast<std::uint8_t>(byte * 167 + 13);
                }
                data.insert(data.end(), plane.begin(), plane.end());
            }
            expectAsOracle(format, 8, data);
        }
    }
}

// Line sizes on and off whole bytes, up to several bands of rows; line counts past several
// blocks of columns; pixel data ending in a partial line, and for two planes an odd byte.
TEST(DecoderOracle, RandomGraphics) {
    std::mt19937 random(20261206);
    const auto below = [&](std::size_t n) { return std::size_t{random()} % n; };
    std::vector<std::uint32_t> lineSizes;
    for (std::uint32_t size = 1; size <= 40; ++size) {
        lineSizes.push_back(size);
    }
    lineSizes.insert(lineSizes.end(), {63, 64, 65, 127, 129, 200, 517});
    for (const Format format : formats) {
        for (const std::uint32_t lineSize : lineSizes) {
            const std::size_t lineBytes = (lineSize + 7) / 8 * (format.colourSystem == 2 ? 2 : 1);
            for (int trial = 0; trial < 3; ++trial) {
                const std::size_t planeBytes = below(150) * lineBytes + below(lineBytes);
                ByteVector data(format.colourSystem == 1 ? 2 * planeBytes + below(2) : planeBytes);
                for (auto &byte : data) {
                    byte = static_cast<std::uint8_t>(random());
                }
                expectAsOracle(format, lineSize, data);
            }
        }
    }
}

} // namespace
} // namespace qrvx::test
