// Decoding graphics into bitmaps, with each bitmap drawn as rows of '.'/'#' (no palette) or of
// palette indices.
#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace qrvx::test {
namespace {

class Decoded {
public:
    explicit Decoded(const GraphicParts &parts, std::uint32_t defaultRow = 0,
                     std::uint32_t defaultColumn = 0)
        : bytes_(makeGraphic(parts)) {
        const QRVX_Graphic graphic = graphicOf(bytes_, defaultRow, defaultColumn);
        result = QRVX_parse(&graphic, &bitmap);
    }
    ~Decoded() { QRVX_free(&bitmap); }
    Decoded(const Decoded &) = delete;
    Decoded &operator=(const Decoded &) = delete;

    std::vector<std::string> picture() const {
        std::vector<std::string> rows;
        for (std::uint32_t y = 0; y < bitmap.height; ++y) {
            std::string row;
            for (std::uint32_t x = 0; x < bitmap.width; ++x) {
                const std::uint8_t v = bitmap.pixels[y * bitmap.width + x];
                row += bitmap.palette != nullptr ? static_cast<char>('0' + v) : v != 0 ? '#' : '.';
            }
            rows.push_back(row);
        }
        return rows;
    }

    int result;
    QRVX_Bitmap bitmap{};

private:
    ByteVector bytes_;
};

using Picture = std::vector<std::string>;

struct DecodeCase {
    const char *name;
    GraphicParts parts;
    std::uint32_t defaultRow, defaultColumn;
    std::uint32_t pixelCount, paletteCount;
    Picture picture;
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, DrawsTheGraphic) {
    const DecodeCase &c = GetParam();
    const Decoded d(c.parts, c.defaultRow, c.defaultColumn);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.picture(), c.picture);
    EXPECT_EQ(d.bitmap.height, c.picture.size());
    EXPECT_EQ(d.bitmap.width, c.picture.empty() ? 0 : c.picture[0].size());
    EXPECT_EQ(d.bitmap.pixelCount, c.pixelCount);
    EXPECT_EQ(d.bitmap.bitsPerPixel, 8u);
    EXPECT_EQ(d.bitmap.paletteCount, c.paletteCount);
    EXPECT_EQ(d.bitmap.palette != nullptr, c.paletteCount != 0);
}

const Picture eightEmptyRows(8);

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rasters, Decoding,
    ::testing::Values(
        DecodeCase{"ColumnsLsbFirst", {"VE8", {}, {0x01, 0x80}}, 0, 0, 16, 0,
                   {"#.", "..", "..", "..", "..", "..", "..", ".#"}},
        DecodeCase{"RowsMsbFirst", {"HE8", {}, {0x80, 0x01}}, 0, 0, 16, 0,
                   {"#.......", ".......#"}},
        DecodeCase{"RowsPaddedToWholeBytes", {"HE10", {}, {0xC0, 0x40, 0x00, 0x01}}, 0, 0, 32, 0,
                   {"##.......#......", "...............#"}},
        // Columns of 16 pixels in the buffer; the image keeps the first 10 rows.
        DecodeCase{"ColumnsPaddedToWholeBytes", {"VE10", {}, {0x01, 0x02, 0x00, 0x03}}, 0, 0, 32, 0,
                   {"#.", "..", "..", "..", "..", "..", "..", "..", ".#", "##"}},
        DecodeCase{"TwoPlanesSecondHalfIsBitZero", {"VE8,CS1", {}, {0x01, 0x03}}, 0, 0, 8, 4,
                   {"3", "1", "0", "0", "0", "0", "0", "0"}},
        DecodeCase{"TwoPlanesIgnoreAnOddLastByte", {"VE8,CS1", {}, {0x01, 0x03, 0xFF}}, 0, 0, 8, 4,
                   {"3", "1", "0", "0", "0", "0", "0", "0"}},
        DecodeCase{"TwoPlanesInRowsSecondHalfIsBitZero", {"HE8,CS1", {}, {0x81, 0xC0}}, 0, 0, 8, 4,
                   {"31000002"}},
        DecodeCase{"FullColourColumnsLowBitsFirst", {"VE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, 8, 4,
                   {"0", "1", "2", "3", "3", "2", "1", "0"}},
        DecodeCase{"FullColourRowsHighBitsFirst", {"HE8,CS2", {}, {0xE4, 0x1B}}, 0, 0, 8, 4,
                   {"32100123"}},
        DecodeCase{"DefaultColumnSize", {{}, {}, {0x01, 0x80, 0xFF, 0x00}}, 0, 16, 32, 0,
                   {"##", ".#", ".#", ".#", ".#", ".#", ".#", ".#", "..", "..", "..", "..", "..",
                    "..", "..", "#."}},
        DecodeCase{"EightWithoutDefaults", {{}, {}, {0x01, 0x02}}, 24, 0, 16, 0,
                   {"#.", ".#", "..", "..", "..", "..", "..", ".."}},
        DecodeCase{"DefaultRowSize", {"HE0", {}, {0x80, 0x01}}, 16, 0, 16, 0,
                   {"#..............#"}},
        DecodeCase{"NoPixelDataNoLines", {"VE8", {}, {}}, 0, 0, 0, 0, eightEmptyRows}),
    [](const auto &testCase) { return std::string(testCase.param.name); });
// clang-format on

TEST(Decoding, PaletteRepeatsEachColourByte) {
    const Decoded d({"VE8,CS2,PA255,PB16711680,PC1193046,PD-16777216", {}, {0}});
    ASSERT_EQ(d.result, 0);
    const auto entry = [&](int i) {
        const QRVX_Colour c = d.bitmap.palette[i];
        return std::vector<std::uint32_t>{c.red, c.green, c.blue};
    };
    using Words = std::vector<std::uint32_t>;
    EXPECT_EQ(entry(0), (Words{0xFFFFFFFF, 0, 0}));
    EXPECT_EQ(entry(1), (Words{0, 0, 0xFFFFFFFF}));
    EXPECT_EQ(entry(2), (Words{0x56565656, 0x34343434, 0x12121212}));
    EXPECT_EQ(entry(3), (Words{0, 0, 0})); // bits 24-31 play no part
}

TEST(Decoding, TracesDimensionAndColourSystem) {
    const struct {
        const char *text, *function;
        std::uint32_t line;
        const char *message;
    } cases[] = {{"VE8", "convertCS0Image", 550, "converting CS0 Image"},
                 {"VE8,CS1", "convertCS1Image", 648, "converting CS1 Image"},
                 {"VE8,CS2", "convertCS2Image", 1091, "converting Full-Colour Image"}};
    for (const auto &c : cases) {
        TraceCapture capture(verboseLevel | debugLevel);
        const Decoded d({c.text, {}, {1, 2, 3, 4}});
        const std::vector<Message> tail(capture.messages().begin() + 1, capture.messages().end());
        const std::vector<Message> expected{
            tracedMessage(verboseLevel, "adjustBitmapDimension", 0, "Graphic Dimension %d x %d",
                          std::strcmp(c.text, "VE8") == 0 ? "Graphic Dimension 4 x 8"
                                                          : "Graphic Dimension 2 x 8"),
            tracedMessage(debugLevel, c.function, c.line, c.message, c.message)};
        EXPECT_EQ(tail, expected) << c.text;
    }
}

TEST(Decoding, ScrollModeSurvivesFree) {
    Decoded one({"VE8", 0x01, {0x01}});
    const Decoded two(GraphicParts{{}, 0x00, {0x01}});
    EXPECT_EQ(one.bitmap.scrollMode, 1u);
    EXPECT_EQ(two.bitmap.scrollMode, 2u);
    QRVX_free(&one.bitmap);
    EXPECT_EQ(one.bitmap.scrollMode, 1u);
    EXPECT_EQ(one.bitmap.pixels, nullptr);
}

TEST(Decoding, FailuresLeaveAnEmptyBitmap) {
    const struct {
        const char *text;
        int result;
    } cases[] = {{"VE8,ZJSON", -EINVAL},
                 // Line sizes whose rounding up to whole bytes overflows 32 bits.
                 {"VE-5", -EINVAL},
                 {"HE-5", -EINVAL}};
    for (const auto &c : cases) {
        Decoded d({c.text, {}, {1, 2, 3, 4}});
        EXPECT_EQ(d.result, c.result) << c.text;
        EXPECT_EQ(d.bitmap.pixels, nullptr) << c.text;
        EXPECT_EQ(d.bitmap.width | d.bitmap.height | d.bitmap.pixelCount, 0u) << c.text;
        QRVX_free(&d.bitmap);
        QRVX_free(&d.bitmap);
    }
    QRVX_Bitmap bitmap{};
    EXPECT_EQ(QRVX_parse(nullptr, &bitmap), -EINVAL);
}

// 2^29 pixel bytes of 8 pixels each: 2^32 pixels. Untouched pages cost nothing.
TEST(Decoding, PixelCountBeyond32BitsIsRefused) {
    const std::size_t size = (std::size_t{1} << 29) + 7;
    void *memory = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    auto *bytes = static_cast<std::uint8_t *>(memory);
    std::memcpy(bytes, "*03VE8*", 7);
    const QRVX_Graphic graphic{bytes, static_cast<std::uint32_t>(size), 0, 0};
    QRVX_Bitmap bitmap{};
    EXPECT_EQ(QRVX_parse(&graphic, &bitmap), -E2BIG);
    EXPECT_EQ(bitmap.pixels, nullptr);
    QRVX_free(&bitmap);
    const QRVX_PNGOptions options{};
    EXPECT_EQ(QRVX_convertToPNG(&graphic, &options, "/nonexistent/never.png"), -E2BIG);
    munmap(memory, size);
}

} // namespace
} // namespace qrvx::test
