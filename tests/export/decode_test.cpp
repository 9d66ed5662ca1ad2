// Decoding graphics into bitmaps: a few pictures drawn by hand anchor the bit orders and the
// per-pixel oracle, which then checks every byte value at every position and random graphics;
// and what decoding tells the host.
#include "support/oracle_decoder.hpp"
#include "support/suite.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

namespace {

using namespace qrvx::test;

QRVX_Bitmap decode(const GraphicParts &parts, std::uint32_t defaultRow = 0,
                   std::uint32_t defaultColumn = 0) {
    ByteVector bytes = makeGraphic(parts);
    const QRVX_Graphic graphic = graphicOf(bytes, defaultRow, defaultColumn);
    QRVX_Bitmap bitmap;
    EXPECT_EQ(QRVX_parse(&graphic, &bitmap), 0) << parts.parameters.value_or("-");
    return bitmap;
}

// Rows of '.'/'#' (no palette) or of palette indices, separated by spaces; then each palette
// entry that is not black as "index:red,green,blue".
std::string pictureOf(const QRVX_Bitmap &bitmap) {
    std::ostringstream rows;
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        rows << (y != 0 ? " " : "");
        for (std::uint32_t x = 0; x < bitmap.width; ++x) {
            const std::uint8_t v = bitmap.pixels[y * bitmap.width + x];
            rows << (bitmap.palette != nullptr ? static_cast<char>('0' + v) : v != 0 ? '#' : '.');
        }
    }
    for (std::uint32_t i = 0; i < bitmap.paletteCount; ++i) {
        const QRVX_Colour &c = bitmap.palette[i];
        if (c.red != 0 || c.green != 0 || c.blue != 0) {
            rows << std::hex << std::uppercase << " " << i << ":" << c.red << "," << c.green << ","
                 << c.blue;
        }
    }
    return rows.str();
}

TEST(Decoding, DrawsTheGraphic) {
    const struct {
        GraphicParts parts;
        std::uint32_t defaultRow, defaultColumn;
        const char *picture;
    } cases[] = {
        // clang-format off
        // Columns: bit 0 on top; rows: bit 7 on the left.
        {{"VE8", {}, {0x01, 0x80}}, 0, 0, "#. .. .. .. .. .. .. .#"},
        {{"HE8", {}, {0x80, 0x01}}, 0, 0, "#....... .......#"},
        // Two planes: the second half gives bit 0, the first bit 1. A palette entry takes one
        // byte of its key's value for each colour, in every byte of that colour.
        {{"VE8,CS1,PA1193046,PD-1", {}, {0x01, 0x03}}, 0, 0, "3 1 0 0 0 0 0 0 0:56565656,34343434,12121212 3:FFFFFFFF,FFFFFFFF,FFFFFFFF"},
        // Full colour: two bits a pixel, low bits first in columns, high bits first in rows.
        {{"VE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, "0 1 2 3 3 2 1 0"},
        {{"HE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, "32100123"},
        // Without a size in the block: the caller's default, else 8.
        {{{}, {}, {0x01, 0x80, 0xFF, 0x00}}, 0, 16, "## .# .# .# .# .# .# .# .. .. .. .. .. .. .. #."},
        {{{}, {}, {0x01, 0x02}}, 24, 0, "#. .# .. .. .. .. .. .."},
        {{"HE0", {}, {0x80, 0x01}}, 16, 0, "#..............#"},
        // clang-format on
    };
    for (const auto &c : cases) {
        QRVX_Bitmap bitmap = decode(c.parts, c.defaultRow, c.defaultColumn);
        EXPECT_EQ(pictureOf(bitmap), c.picture) << c.parts.parameters.value_or("-");
        QRVX_free(&bitmap);
    }
}

void expectAsOracle(std::uint32_t colourSystem, bool vertical, std::uint32_t lineSize,
                    const ByteVector &pixelData) {
    const std::string text = std::string(vertical ? "VE" : "HE") + std::to_string(lineSize) +
                             ",CS" + std::to_string(colourSystem);
    QRVX_Bitmap bitmap = decode({text, std::nullopt, pixelData});
    const OracleBitmap expected = oracleDecode({colourSystem, vertical, lineSize, pixelData});
    EXPECT_TRUE(bitmap.width == expected.width && bitmap.height == expected.height) << text;
    EXPECT_EQ(ByteVector(bitmap.pixels, bitmap.pixels + bitmap.pixelCount), expected.pixels)
        << text << " with " << pixelData.size() << " bytes";
    QRVX_free(&bitmap);
}

// Each plane holds every byte value after 0 to 7 blank lines, so that each value meets every
// place among eight neighbouring lines; then line sizes on and off whole bytes, up to several
// bands of rows and blocks of columns, ending in a partial line and for two planes an odd byte.
TEST(Decoding, AsTheOracle) {
    std::mt19937 random(20261206);
    const auto below = [&](std::size_t n) { return std::size_t{random()} % n; };
    std::vector<std::uint32_t> lineSizes{63, 64, 65, 127, 129, 200, 517};
    for (std::uint32_t size = 1; size <= 40; ++size) {
        lineSizes.push_back(size);
    }
    for (const std::uint32_t colourSystem : {0u, 1u, 2u}) {
        for (const bool vertical : {true, false}) {
            for (std::size_t blank = 0; blank < 8; ++blank) {
                ByteVector plane(blank + 256, 0), data;
                std::iota(plane.begin() + static_cast<long>(blank), plane.end(), 0);
                for (const std::uint8_t byte : colourSystem == 1 ? plane : ByteVector{}) {
                    data.push_back(static_cast<std::uint8_t>(byte * 167 + 13)); // bit 1 reordered
                }
                data.insert(data.end(), plane.begin(), plane.end());
                expectAsOracle(colourSystem, vertical, 8, data);
            }
            for (const std::uint32_t lineSize : lineSizes) {
                const std::size_t lineBytes = (lineSize + 7) / 8 * (colourSystem == 2 ? 2 : 1);
                for (int trial = 0; trial < 3; ++trial) {
                    const std::size_t planeBytes = below(150) * lineBytes + below(lineBytes);
                    ByteVector data(colourSystem == 1 ? 2 * planeBytes + below(2) : planeBytes);
                    std::ranges::generate(data, std::ref(random));
                    expectAsOracle(colourSystem, vertical, lineSize, data);
                }
            }
        }
    }
}

// 2^29 pixel bytes of 8 pixels each: 2^32 pixels. Untouched pages cost nothing.
TEST(Decoding, PixelCountBeyond32BitsIsRefused) {
    const std::size_t size = (std::size_t{1} << 29) + 7;
    void *memory = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    std::memcpy(memory, "*03VE8*", 7);
    const QRVX_Graphic graphic{static_cast<std::uint8_t *>(memory),
                               static_cast<std::uint32_t>(size), 0, 0};
    QRVX_Bitmap bitmap;
    EXPECT_EQ(QRVX_parse(&graphic, &bitmap), -E2BIG);
    EXPECT_EQ(bitmap.pixels, nullptr);
    const QRVX_PNGOptions options{};
    EXPECT_EQ(QRVX_convertToPNG(&graphic, &options, "/nonexistent/never.png"), -E2BIG);
    EXPECT_EQ(QRVX_parse(nullptr, &bitmap), -EINVAL);
    munmap(memory, size);
}

} // namespace
