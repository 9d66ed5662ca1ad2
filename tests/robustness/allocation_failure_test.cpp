// Every allocation an entry point makes (its own, the parameter trie's, libpng's, stdio's) is
// made to fail in turn: each run gives exactly the undisturbed outputs, or one of the results a
// failed allocation may give (with the outputs it leaves, where they are documented), and leaks
// nothing.
#include "robustness/allocation_faults.hpp"
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include "qrvx_host_trace.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using namespace qrvx::test;

// The messages of the current run as "level function line text" lines, kept without touching the
// heap.
struct Log {
    char text[1 << 14];
    std::size_t used;
} runLog;

void record(void *, uint32_t level, const char *function, uint32_t line, const char *,
            const char *text) {
    char *end = runLog.text + runLog.used;
    const int written = std::snprintf(end, sizeof runLog.text - runLog.used, "%u %s %u %s\n", level,
                                      function != nullptr ? function : "-", line, text);
    runLog.used = std::min(sizeof runLog.text - 1, runLog.used + std::size_t(written));
}

// What a failed allocation may add to what the host is told (libpng's words and the file name
// after the prefixes).
const char *const failureMessages[] = {
    "2 - 0 Bitmap Conversion Failed. No Memory.",
    "2 - 0 Bitmap (8 x 3) Rotation Failed. No Memory.",
    "2 - 0 Bitmap (16 x 16) Rotation Failed. No Memory.",
    "16 initRouteNumberProgrammer 1295 Failed(-12) to parse source graphic parameters",
    "16 initRouteNumberProgrammer 1312 Failed(-12) to parse source graphic parameters",
    "16 programRouteNumber 1431 Failed to allocate 26 size",
    "16 QRVX_convertToPNG 2272 PNG write Failed",
    "16 QRVX_convertToPNG 2350 Unable to open ",
    "16 qrvxPrintPNGDebugMessage 1910 [libpng] ",
};

std::string bytesOf(const void *data, std::size_t size) {
    return data != nullptr ? std::string(static_cast<const char *>(data), size) : std::string();
}

// Each run function calls an entry point on inputs made beforehand and, while allocations are
// not counted, puts what it handed back into output; then it releases that.
const ByteVector block = parameterBlock("VE16,CS1,PA255,@RP1/2/3,RL4,CS9,HEx");
const ByteVector markable = makeGraphic({"IN2, RL24,CS1", 0, pixelsOf(10)});
ByteVector graphics[] = {makeGraphic({"VE8,CS1,PA255", 1, pixelsOf(6)}),
                         makeGraphic({"HE16,CS2", 1, pixelsOf(6)}),
                         makeGraphic({"VE16,CS2,PA255,PB65280", {}, pixelsOf(64)}),
                         makeGraphic({"HE-8", {}, {0x56}}), // 4294967288 pixels wide, no rows
                         makeGraphic({"CS1,RR", 0, pixelsOf(8)}),
                         makeGraphic({"CS1,@RP1/1/1", {}, pixelsOf(4)}),
                         markable};
std::string pngFile;

int parameters(std::string &output) {
    qrvxGraphicsParameters p;
    const int result = qrvxParseGraphicsParameters(block.data(), 39, &p);
    const Uncounted test;
    output = bytesOf(&p, sizeof p);
    return result;
}

// A failed palette leaves the pixels for QRVX_free.
template <int Graphic>
int decode(std::string &output) {
    const QRVX_Graphic graphic = graphicOf(graphics[Graphic]);
    QRVX_Bitmap b;
    const int result = QRVX_parse(&graphic, &b);
    {
        const Uncounted test;
        output = bytesOf(b.pixels, b.pixelCount) +
                 bytesOf(b.palette, b.paletteCount * sizeof(QRVX_Colour)) +
                 std::to_string(b.width) + "x" + std::to_string(b.height);
    }
    QRVX_free(&b);
    return result;
}

// libpng's working memory failing is a write failure; a failed stream buffer means unbuffered
// writing. An image without rows writes nothing when its empty pixel buffer is refused.
template <int Graphic>
int png(std::string &output) {
    const QRVX_Graphic graphic = graphicOf(graphics[Graphic]);
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "faults"};
    const char *file = Graphic == 3 ? "/dev/null" : pngFile.c_str();
    const int result = QRVX_convertToPNG(&graphic, &options, file);
    const Uncounted test;
    std::ifstream in(file, std::ios::binary);
    output.assign(std::istreambuf_iterator<char>(in), {});
    return result;
}

int program(std::string &output) {
    const QRVX_Graphic target = graphicOf(graphics[4]), source = graphicOf(graphics[5]);
    uint8_t *out = nullptr;
    uint32_t length = 0;
    const int result = QRVX_programRouteNumber(&target, &source, &out, &length);
    {
        const Uncounted test;
        output = bytesOf(out, length);
    }
    std::free(out);
    return result;
}

// A failed marking leaves the graphic exactly as it was.
int mark(std::string &output) {
    ByteVector &bytes = graphics[6];
    QRVX_Graphic graphic = graphicOf(bytes);
    const int result = QRVX_markRouteNumberProgrammed(&graphic);
    const Uncounted test;
    output = bytesOf(bytes.data(), graphic.length);
    std::copy(markable.begin(), markable.end(), bytes.begin());
    return result;
}

TEST(AllocationFailure, EveryEntryPoint) {
    const TempDir dir("qrvx_faults");
    pngFile = dir.file("faults.png");
    qrvxGraphicsParameters initial{};
    initial.valid = 1;
    const struct {
        const char *name;
        int (*run)(std::string &output);
        std::vector<int> failures;
        std::optional<std::string> failedOutput;
    } entryPoints[] = {
        {"parameters", parameters, {-ENOMEM}, bytesOf(&initial, sizeof initial)},
        {"decode columns", decode<0>, {-ENOMEM}, {}},
        {"decode rows", decode<1>, {-ENOMEM}, {}},
        {"png", png<2>, {-ENOMEM, -EIO}, {}},
        {"png without rows", png<3>, {-ENOMEM, -EIO, 0}, {}},
        {"program", program, {-ENOMEM}, ""},
        {"mark", mark, {-ENOMEM}, bytesOf(markable.data(), markable.size())},
    };
    QTR_useLogger(allLevels); // every level formatted, into a sink that does not allocate
    QTR_setSink(record, nullptr);
    for (const auto &entry : entryPoints) {
        SCOPED_TRACE(entry.name);
        int undisturbed = 0;
        std::string expected, output, cleanLog;
        const std::size_t largest = exerciseEveryFault([&](bool clean) {
            runLog.used = 0;
            const int result = entry.run(clean ? expected : output);
            const Uncounted test;
            std::istringstream log(std::string(runLog.text, runLog.used));
            if (clean) {
                undisturbed = result;
                cleanLog = "\n" + log.str();
                return;
            }
            for (std::string line; std::getline(log, line);) {
                EXPECT_TRUE(cleanLog.find("\n" + line + "\n") != std::string::npos ||
                            std::ranges::any_of(failureMessages,
                                                [&](const char *m) { return line.starts_with(m); }))
                    << line;
            }
            EXPECT_TRUE(result == undisturbed
                            ? output == expected
                            : std::ranges::count(entry.failures, result) &&
                                  (!entry.failedOutput || output == *entry.failedOutput))
                << result;
        });
        EXPECT_TRUE(largest > 0 && largest < std::size_t{1} << 20); // nothing sized by a width
    }
    QTR_setSink(nullptr, nullptr);
    QTR_useNoLogger();
}

} // namespace
