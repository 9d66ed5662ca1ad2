// PNG export, every file read back through libpng's read API.
#include "support/png_file.hpp"
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include <filesystem>
#include <fstream>
#include <map>

namespace qrvx::test {
namespace {

using Rgb = std::array<std::uint8_t, 3>;
using Picture = std::vector<std::string>;

int convert(const GraphicParts &parts, const std::string &fileName,
            const QRVX_PNGOptions &options = {{255, 255, 255}, {0, 0, 0}, "qrvx"}) {
    ByteVector bytes = makeGraphic(parts);
    const QRVX_Graphic graphic = graphicOf(bytes);
    return QRVX_convertToPNG(&graphic, &options, fileName.c_str());
}

// The file as a picture, one character per pixel looked up by colour, after the checks that
// hold for every file the library writes.
Picture pictureOf(const std::string &fileName, const std::string &title,
                  const std::map<Rgb, char> &key) {
    const std::optional<PngFile> png = readPng(fileName);
    EXPECT_TRUE(png.has_value()) << fileName;
    if (!png) {
        return {};
    }
    EXPECT_TRUE(png->bitDepth == 8 && png->colourType == 2 && png->interlace == 0);
    EXPECT_FALSE(png->hasPalette);
    EXPECT_EQ(png->texts, (std::vector<std::pair<std::string, std::string>>{{"Title", title}}));
    Picture rows;
    for (const auto &row : png->rows) {
        std::string line;
        for (std::size_t x = 0; x + 2 < row.size(); x += 3) {
            const auto found = key.find(Rgb{row[x], row[x + 1], row[x + 2]});
            line += found != key.end() ? found->second : '?';
        }
        rows.push_back(line);
    }
    return rows;
}

TEST(PngExport, ColoursFromTheOptionsOrThePalette) {
    const TempDir dir("qrvx_png");
    const std::map<Rgb, char> key{{Rgb{255, 255, 255}, '#'},   {Rgb{0, 0, 0}, '.'},
                                  {Rgb{0, 255, 7}, 'f'},       {Rgb{0x78, 0, 0xFF}, 'b'},
                                  {Rgb{255, 0, 0}, '0'},       {Rgb{0, 0, 255}, '1'},
                                  {Rgb{0x56, 0x34, 0x12}, '2'}};
    const QRVX_PNGOptions standard{{255, 255, 255}, {0, 0, 0}, "qrvx"};
    const char *palette = "PA255,PB16711680,PC1193046";
    const struct {
        std::string parameters;
        ByteVector pixels;
        QRVX_PNGOptions options;
        Picture picture;
    } cases[] = {
        {"HE8", {0x80, 0x01}, standard, {"#.......", ".......#"}},
        // The options' colours take the low byte of each word.
        {"VE8",
         {0x01},
         {{256, 0xFFFFFFFF, 7}, {0x12345678, 0, 0x1FF}, ""},
         {"f", "b", "b", "b", "b", "b", "b", "b"}},
        // With a palette the options' colours play no part; palette index 3 is black.
        {std::string("HE8,CS2,") + palette, {0xE4, 0x1B}, standard, {".210012."}},
        {std::string("VE8,CS1,") + palette,
         {0x01, 0x03},
         {},
         {".", "1", "0", "0", "0", "0", "0", "0"}},
        {"VE8,CS1", {0x01, 0x03}, standard, {".", ".", ".", ".", ".", ".", ".", "."}},
    };
    for (const auto &c : cases) {
        const std::string file = dir.file("out.png");
        ASSERT_EQ(convert({c.parameters, {}, c.pixels}, file, c.options), 0) << c.parameters;
        EXPECT_EQ(pictureOf(file, c.options.title != nullptr ? c.options.title : "", key),
                  c.picture)
            << c.parameters;
    }
}

Message converter(std::uint32_t line, const std::string &format, const std::string &text = {}) {
    return {debugLevel, "QRVX_convertToPNG", line, format, text.empty() ? format : text};
}

// What the host is told (the last messages) and what is left on disk.
TEST(PngExport, ResultsAndMessages) {
    const TempDir dir("qrvx_png");
    ByteVector noise(64 * 1024);
    std::uint32_t state = 12345;
    for (auto &byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    const Message writeFailed = converter(2272, "PNG write Failed");
    const std::string mono = dir.file("mono.png"), missing = dir.file("missing/out.png");
    const struct {
        GraphicParts parts;
        std::string file;
        int result;
        std::vector<Message> last;
    } cases[] = {
        {{"HE8", {}, {0x80, 0x01}},
         mono,
         0,
         {converter(2245, "Bitmap Dimension %d x %d", "Bitmap Dimension 8 x 2"),
          converter(2308, "Monochrome PNG"), converter(2337, "SUCCESS: %s", "SUCCESS: " + mono)}},
        {{"VE8", {}, {1}},
         missing,
         -ENOENT,
         {converter(2350, "Unable to open %s", "Unable to open " + missing)}},
        // No pixel data: libpng refuses the empty image.
        {{"VE8", {}, {}},
         dir.file("empty.png"),
         -EIO,
         {{debugLevel, "qrvxPrintPNGDebugMessage", 1910, "[libpng] %s",
           "[libpng] Invalid IHDR data"},
          writeFailed}},
        // A small image fails only when the stream is flushed, a large one inside libpng.
        {{"VE8", {}, {0x01}}, "/dev/full", -EIO, {writeFailed}},
        {{"VE8", {}, noise}, "/dev/full", -EIO, {writeFailed}},
    };
    for (const auto &c : cases) {
        const TraceCapture capture(debugLevel);
        EXPECT_EQ(convert(c.parts, c.file), c.result) << c.file;
        const std::vector<Message> &all = capture.messages();
        ASSERT_GE(all.size(), c.last.size()) << c.file;
        EXPECT_EQ(std::vector<Message>(all.end() - static_cast<long>(c.last.size()), all.end()),
                  c.last)
            << c.file;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.png")), 0u);
}

TEST(PngExport, DecodeErrorsLeaveTheFileAlone) {
    const TempDir dir("qrvx_png");
    const std::string file = dir.file("kept.txt");
    std::ofstream(file) << "keep";
    EXPECT_EQ(convert({"VE8,ZJSON", {}, {1}}, file), -EINVAL);
    EXPECT_EQ(convert({"VE-5", {}, {1}}, file), -EINVAL);
    EXPECT_EQ(std::filesystem::file_size(file), 4u);
}

} // namespace
} // namespace qrvx::test
