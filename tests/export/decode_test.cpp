// Decoding graphics into bitmaps, each bitmap drawn as rows of '.'/'#' (no palette) or of palette
// indices, separated by spaces.
#include "support/suite.hpp"

#include <sys/mman.h>

namespace {

using namespace qrvx::test;

QRVX_Bitmap decode(const GraphicParts &parts, std::uint32_t defaultRow = 0,
                   std::uint32_t defaultColumn = 0) {
    ByteVector bytes = makeGraphic(parts);
    const QRVX_Graphic graphic = graphicOf(bytes, defaultRow, defaultColumn);
    QRVX_Bitmap bitmap;
    EXPECT_EQ(QRVX_parse(&graphic, &bitmap), 0);
    return bitmap;
}

std::string pictureOf(const QRVX_Bitmap &bitmap) {
    std::string rows;
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        rows += y != 0 ? " " : "";
        for (std::uint32_t x = 0; x < bitmap.width; ++x) {
            const std::uint8_t v = bitmap.pixels[y * bitmap.width + x];
            rows += bitmap.palette != nullptr ? static_cast<char>('0' + v) : v != 0 ? '#' : '.';
        }
    }
    return rows;
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
        // Lines are whole bytes; a column keeps only its first columnSize pixels.
        {{"HE10", {}, {0xC0, 0x40, 0x00, 0x01}}, 0, 0, "##.......#...... ...............#"},
        {{"VE10", {}, {0x01, 0x02, 0x00, 0x03}}, 0, 0, "#. .. .. .. .. .. .. .. .# ##"},
        // Two planes: the second half gives bit 0, the first bit 1; an odd last byte is ignored.
        {{"VE8,CS1", {}, {0x01, 0x03}}, 0, 0, "3 1 0 0 0 0 0 0"},
        {{"VE8,CS1", {}, {0x01, 0x03, 0xFF}}, 0, 0, "3 1 0 0 0 0 0 0"},
        {{"HE8,CS1", {}, {0x81, 0xC0}}, 0, 0, "31000002"},
        // Full colour: two bits a pixel, low bits first in columns, high bits first in rows.
        {{"VE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, "0 1 2 3 3 2 1 0"},
        {{"HE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, "32100123"},
        // Without a size in the block: the caller's default, else 8.
        {{{}, {}, {0x01, 0x80, 0xFF, 0x00}}, 0, 16, "## .# .# .# .# .# .# .# .. .. .. .. .. .. .. #."},
        {{{}, {}, {0x01, 0x02}}, 24, 0, "#. .# .. .. .. .. .. .."},
        {{"HE0", {}, {0x80, 0x01}}, 16, 0, "#..............#"},
        {{"VE8", {}, {}}, 0, 0, "       "},
        // clang-format on
    };
    for (const auto &c : cases) {
        QRVX_Bitmap bitmap = decode(c.parts, c.defaultRow, c.defaultColumn);
        EXPECT_EQ(pictureOf(bitmap), c.picture) << c.parts.parameters.value_or("-");
        QRVX_free(&bitmap);
    }
}

TEST(Decoding, PaletteRepeatsEachColourByte) {
    QRVX_Bitmap bitmap = decode({"VE8,CS2,PA255,PB16711680,PC1193046,PD-16777216", {}, {0}});
    const std::uint32_t expected[4][3] = {{0xFFFFFFFF, 0, 0},
                                          {0, 0, 0xFFFFFFFF},
                                          {0x56565656, 0x34343434, 0x12121212},
                                          {0, 0, 0}}; // bits 24-31 play no part
    for (int i = 0; i < 4; ++i) {
        const QRVX_Colour c = bitmap.palette[i];
        EXPECT_TRUE(c.red == expected[i][0] && c.green == expected[i][1] &&
                    c.blue == expected[i][2])
            << i;
    }
    QRVX_free(&bitmap);
}

TEST(Decoding, ScrollModeSurvivesFree) {
    QRVX_Bitmap one = decode({"VE8", 0x01, {0x01}});
    QRVX_Bitmap two = decode({{}, 0x00, {0x01}});
    EXPECT_EQ(two.scrollMode, 2u);
    QRVX_free(&one);
    QRVX_free(&two);
    EXPECT_TRUE(one.scrollMode == 1 && one.pixels == nullptr);
    EXPECT_EQ(QRVX_parse(nullptr, &one), -EINVAL);
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
    munmap(memory, size);
}

} // namespace
