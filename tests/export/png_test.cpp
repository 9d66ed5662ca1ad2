// PNG export: what the host is told and what is left on disk. (The fuzz replay reads every file
// back with libpng and compares it with the decoded bitmap and its colours.)
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include <algorithm>
#include <filesystem>
#include <random>

namespace {

using namespace qrvx::test;

Message converter(std::uint32_t line, const std::string &format, const std::string &text = {}) {
    return {debugLevel, "QRVX_convertToPNG", line, format, text.empty() ? format : text};
}

TEST(PngExport, ResultsAndMessages) {
    const TempDir dir("qrvx_png");
    ByteVector noise(64 * 1024);
    std::ranges::generate(noise, std::mt19937(12345));
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "qrvx"};
    const Message writeFailed = converter(2272, "PNG write Failed");
    const std::string mono = dir.file("mono.png"), missing = dir.file("missing/out.png");
    const struct {
        GraphicParts parts;
        std::string file;
        int result;
        std::vector<Message> last;
    } cases[] = {
        // clang-format off
        {{"HE8", {}, {0x80, 0x01}}, mono, 0, {converter(2245, "Bitmap Dimension %d x %d", "Bitmap Dimension 8 x 2"), converter(2308, "Monochrome PNG"), converter(2337, "SUCCESS: %s", "SUCCESS: " + mono)}},
        {{"VE8", {}, {1}}, missing, -ENOENT, {converter(2350, "Unable to open %s", "Unable to open " + missing)}},
        // No pixel data: libpng refuses the empty image.
        {{"VE8", {}, {}}, dir.file("empty.png"), -EIO, {{debugLevel, "qrvxPrintPNGDebugMessage", 1910, "[libpng] %s", "[libpng] Invalid IHDR data"}, writeFailed}},
        // A small image fails only when the stream is flushed, a large one inside libpng.
        {{"VE8", {}, {0x01}}, "/dev/full", -EIO, {writeFailed}},
        {{"VE8", {}, noise}, "/dev/full", -EIO, {writeFailed}},
        // clang-format on
    };
    for (const auto &c : cases) {
        ByteVector bytes = makeGraphic(c.parts);
        const QRVX_Graphic graphic = graphicOf(bytes);
        const TraceCapture capture(debugLevel);
        EXPECT_EQ(QRVX_convertToPNG(&graphic, &options, c.file.c_str()), c.result) << c.file;
        const std::vector<Message> &all = capture.messages();
        ASSERT_GE(all.size(), c.last.size()) << c.file;
        EXPECT_EQ(std::vector<Message>(all.end() - static_cast<long>(c.last.size()), all.end()),
                  c.last)
            << c.file;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.png")), 0u);
}

} // namespace
