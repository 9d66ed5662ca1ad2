// PNG export, every file read back through libpng's read API.
#include "support/graphic_builder.hpp"
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace qrvx::test {
namespace {

namespace fs = std::filesystem;

using Rgb = std::array<std::uint8_t, 3>;
using Picture = std::vector<std::string>;

constexpr QRVX_Colour white{255, 255, 255}, black{0, 0, 0};

class PngExport : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return dir_.file(name); }

    static int convert(const GraphicParts &parts, const std::string &fileName,
                       const QRVX_PNGOptions &options = {white, black, "qrvx"}) {
        ByteVector bytes = makeGraphic(parts);
        const QRVX_Graphic graphic = graphicOf(bytes);
        return QRVX_convertToPNG(&graphic, &options, fileName.c_str());
    }

    // The file as a picture: one character per pixel, looked up by colour.
    static Picture pictureOf(const PngFile &png, const std::map<Rgb, char> &key) {
        Picture rows;
        for (const auto &row : png.rows) {
            std::string line;
            for (std::size_t x = 0; x + 2 < row.size(); x += 3) {
                const auto found = key.find(Rgb{row[x], row[x + 1], row[x + 2]});
                line += found != key.end() ? found->second : '?';
            }
            rows.push_back(line);
        }
        return rows;
    }

    // Reads the file back; checks what every PNG of the library has in common.
    static PngFile readBack(const std::string &fileName, const std::string &title = "qrvx") {
        const std::optional<PngFile> png = readPng(fileName);
        EXPECT_TRUE(png.has_value()) << fileName;
        if (!png) {
            return {};
        }
        EXPECT_EQ(png->bitDepth, 8);
        EXPECT_EQ(png->colourType, 2);
        EXPECT_EQ(png->interlace, 0);
        EXPECT_FALSE(png->hasPalette);
        const std::vector<std::pair<std::string, std::string>> texts{{"Title", title}};
        EXPECT_EQ(png->texts, texts);
        return *png;
    }

    TempDir dir_{"qrvx_png"};
};

const std::map<Rgb, char> monochrome{{Rgb{255, 255, 255}, '#'}, {Rgb{0, 0, 0}, '.'}};

TEST_F(PngExport, MonochromeRowsWithTheCallersColours) {
    TraceCapture capture(debugLevel);
    ASSERT_EQ(convert({"HE8", {}, {0x80, 0x01}}, path("mono.png")), 0);
    const PngFile png = readBack(path("mono.png"));
    EXPECT_EQ(png.width, 8u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(pictureOf(png, monochrome), (Picture{"#.......", ".......#"}));
    const std::vector<Message> tail(capture.messages().end() - 3, capture.messages().end());
    const std::vector<Message> expected{
        tracedMessage(debugLevel, "QRVX_convertToPNG", 2245, "Bitmap Dimension %d x %d",
                      "Bitmap Dimension 8 x 2"),
        tracedMessage(debugLevel, "QRVX_convertToPNG", 2308, "Monochrome PNG", "Monochrome PNG"),
        tracedMessage(debugLevel, "QRVX_convertToPNG", 2337, "SUCCESS: %s",
                      "SUCCESS: " + path("mono.png"))};
    EXPECT_EQ(tail, expected);
}

TEST_F(PngExport, CallersColoursTakeTheLowByteOfEachWord) {
    const QRVX_PNGOptions options{{256, 0xFFFFFFFF, 7}, {0x12345678, 0, 0x1FF}, ""};
    ASSERT_EQ(convert({"VE8", {}, {0x01}}, path("low.png"), options), 0);
    const PngFile png = readBack(path("low.png"), "");
    EXPECT_EQ(pictureOf(png, {{Rgb{0, 255, 7}, 'f'}, {Rgb{0x78, 0, 0xFF}, 'b'}}),
              (Picture{"f", "b", "b", "b", "b", "b", "b", "b"}));
}

TEST_F(PngExport, PaletteDecidesTheColours) {
    const std::map<Rgb, char> key{{Rgb{255, 0, 0}, '0'},
                                  {Rgb{0, 0, 255}, '1'},
                                  {Rgb{0x56, 0x34, 0x12}, '2'},
                                  {Rgb{0, 0, 0}, '3'}};
    const char *palette = "PA255,PB16711680,PC1193046";
    const std::string fullColour = std::string("HE8,CS2,") + palette;
    ASSERT_EQ(convert({fullColour, {}, {0xE4, 0x1B}}, path("cs2.png")), 0);
    EXPECT_EQ(pictureOf(readBack(path("cs2.png")), key), (Picture{"32100123"}));

    const std::string twoPlanes = std::string("VE8,CS1,") + palette;
    ASSERT_EQ(convert({twoPlanes, {}, {0x01, 0x03}}, path("cs1.png"), {}), 0);
    EXPECT_EQ(pictureOf(readBack(path("cs1.png"), ""), key),
              (Picture{"3", "1", "0", "0", "0", "0", "0", "0"}));

    ASSERT_EQ(convert({"VE8,CS1", {}, {0x01, 0x03}}, path("black.png")), 0);
    EXPECT_EQ(pictureOf(readBack(path("black.png")), monochrome),
              (Picture{".", ".", ".", ".", ".", ".", ".", "."}));
}

TEST_F(PngExport, VerticalRasterKeepsColumnSizeRows) {
    ASSERT_EQ(convert({"VE10", {}, {0x01, 0x02, 0x00, 0x03}}, path("tall.png")), 0);
    const PngFile png = readBack(path("tall.png"));
    EXPECT_EQ(pictureOf(png, monochrome),
              (Picture{"#.", "..", "..", "..", "..", "..", "..", "..", ".#", "##"}));
}

TEST_F(PngExport, DecodeErrorsLeaveTheFileAlone) {
    const std::string fileName = path("kept.txt");
    std::ofstream(fileName) << "keep";
    EXPECT_EQ(convert({"VE8,ZJSON", {}, {1}}, fileName), -EINVAL);
    EXPECT_EQ(convert({"VE-5", {}, {1}}, fileName), -EINVAL);
    EXPECT_EQ(fs::file_size(fileName), 4u);
}

TEST_F(PngExport, NoPixelDataFailsInLibpngOrWritesNothing) {
    QRVX_Bitmap bitmap{};
    ByteVector bytes = makeGraphic({"VE8", {}, {}});
    const QRVX_Graphic graphic = graphicOf(bytes);
    ASSERT_EQ(QRVX_parse(&graphic, &bitmap), 0);
    const bool hasBuffer = bitmap.pixels != nullptr;
    QRVX_free(&bitmap);

    TraceCapture capture(debugLevel);
    const std::string fileName = path("empty.png");
    if (!hasBuffer) {
        EXPECT_EQ(convert({"VE8", {}, {}}, fileName), 0);
        EXPECT_FALSE(fs::exists(fileName));
        return;
    }
    EXPECT_EQ(convert({"VE8", {}, {}}, fileName), -EIO);
    EXPECT_EQ(fs::file_size(fileName), 0u);
    const std::vector<Message> &messages = capture.messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.back(), tracedMessage(debugLevel, "QRVX_convertToPNG", 2272,
                                             "PNG write Failed", "PNG write Failed"));
    const Message &libpng = messages[messages.size() - 2];
    EXPECT_EQ(libpng.function, "qrvxPrintPNGDebugMessage");
    EXPECT_EQ(libpng.line, 1910u);
    EXPECT_EQ(libpng.format, "[libpng] %s");
    EXPECT_EQ(libpng.text, "[libpng] Invalid IHDR data");
}

TEST_F(PngExport, MissingDirectoryIsReportedAndCreatesNothing) {
    TraceCapture capture(debugLevel);
    const std::string fileName = path("missing/out.png");
    EXPECT_EQ(convert({"VE8", {}, {1}}, fileName), -ENOENT);
    EXPECT_FALSE(fs::exists(fileName));
    EXPECT_EQ(capture.messages().back(),
              tracedMessage(debugLevel, "QRVX_convertToPNG", 2350, "Unable to open %s",
                            "Unable to open " + fileName));
}

// A small image fails only when the stream is flushed, a large one inside libpng's writes.
TEST_F(PngExport, FullDiskIsAWriteFailure) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    ByteVector noise(64 * 1024);
    std::uint32_t state = 12345;
    for (auto &byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    for (const ByteVector &pixels : {ByteVector{0x01}, noise}) {
        TraceCapture capture(debugLevel);
        EXPECT_EQ(convert({"VE8", {}, pixels}, "/dev/full"), -EIO);
        EXPECT_EQ(capture.messages().back(), tracedMessage(debugLevel, "QRVX_convertToPNG", 2272,
                                                           "PNG write Failed", "PNG write Failed"));
        for (const Message &message : capture.messages()) {
            EXPECT_EQ(message.text.find("SUCCESS"), std::string::npos);
        }
    }
}

} // namespace
} // namespace qrvx::test
