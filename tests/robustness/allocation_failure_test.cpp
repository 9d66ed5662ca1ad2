// Every allocation an entry point makes (its own, libpng's, stdio's) is made to fail in turn:
// each run gives exactly the undisturbed outputs, or one of the results a failed allocation may
// give (with the outputs such a failure leaves, where they are documented), and leaks nothing.
#include "robustness/allocation_faults.hpp"
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include "qrvx_host_trace.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
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

std::set<std::string> messagesOfRun() {
    std::set<std::string> lines;
    std::istringstream in(std::string(runLog.text, runLog.used));
    for (std::string line; std::getline(in, line);) {
        lines.insert(line);
    }
    return lines;
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

bool isFailureMessage(const std::string &message) {
    return std::ranges::any_of(failureMessages,
                               [&](const char *m) { return message.starts_with(m); });
}

std::string bytesOf(const void *data, std::size_t size) {
    return data != nullptr ? std::string(static_cast<const char *>(data), size) : std::string();
}

// run calls the entry point on inputs made beforehand and, inside an Uncounted scope, puts what
// it handed back into output; then it releases that.
struct EntryPoint {
    const char *name;
    std::vector<int> failures;
    std::optional<std::string> failedOutput;
    std::function<int(std::string &output)> run;
};

// A failed palette leaves the pixels for QRVX_free.
EntryPoint decode(const char *parameters) {
    return {parameters,
            {-ENOMEM},
            {},
            [bytes = makeGraphic({parameters, 1, pixelsOf(6)})](std::string &output) mutable {
                const QRVX_Graphic graphic = graphicOf(bytes);
                QRVX_Bitmap bitmap;
                const int result = QRVX_parse(&graphic, &bitmap);
                {
                    const Uncounted test;
                    output = bytesOf(bitmap.pixels, bitmap.pixelCount) +
                             bytesOf(bitmap.palette, bitmap.paletteCount * sizeof(QRVX_Colour)) +
                             std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height);
                }
                QRVX_free(&bitmap);
                return result;
            }};
}

// libpng's working memory failing is a write failure; a failed stream buffer means unbuffered
// writing. An image without rows writes nothing when its empty pixel buffer is refused.
EntryPoint png(const char *parameters, ByteVector pixels, std::string file) {
    return {parameters,
            {-ENOMEM, -EIO, 0},
            {},
            [bytes = makeGraphic({parameters, {}, pixels}), file](std::string &output) mutable {
                const QRVX_Graphic graphic = graphicOf(bytes);
                const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "faults"};
                const int result = QRVX_convertToPNG(&graphic, &options, file.c_str());
                const Uncounted test;
                std::ifstream in(file, std::ios::binary);
                output.assign(std::istreambuf_iterator<char>(in), {});
                return result;
            }};
}

std::vector<EntryPoint> entryPoints(const std::string &pngFile) {
    const ByteVector markable = makeGraphic({"IN2, RL24,CS1", 0, pixelsOf(10)});
    qrvxGraphicsParameters initial{};
    initial.valid = 1;
    return {
        {"parameters",
         {-ENOMEM},
         bytesOf(&initial, sizeof initial),
         [block = parameterBlock("VE16,CS1,PA255,@RP1/2/3,RL4,CS9,HEx")](std::string &output) {
             qrvxGraphicsParameters p;
             const int result = qrvxParseGraphicsParameters(block.data(), 39, &p);
             const Uncounted test;
             output = bytesOf(&p, sizeof p);
             return result;
         }},
        {"trie",
         {-ENOMEM},
         {},
         [](std::string &output) {
             TrieNode root;
             trieInit(&root);
             int result = 0;
             for (const char *key : {"CS", "CSX", "ZJSON", "\xff"}) {
                 result |= trieInsert(&root, reinterpret_cast<const uint8_t *>(key),
                                      static_cast<int>(std::strlen(key) + 1), nullptr);
             }
             const int found = trieSearch(&root, reinterpret_cast<const uint8_t *>("CSX"), 4, {});
             trieDelete(&root);
             const Uncounted test;
             output = std::to_string(found);
             return result;
         }},
        decode("VE8,CS1,PA255"),
        decode("HE16,CS2"),
        png("VE16,CS2,PA255,PB65280", pixelsOf(64), pngFile),
        png("HE-8", {0x56}, "/dev/null"), // 4294967288 pixels wide, without rows
        {"program",
         {-ENOMEM},
         "",
         [target = makeGraphic({"CS1,RR", 0, pixelsOf(8)}),
          source = makeGraphic({"CS1,@RP1/1/1", {}, pixelsOf(4)})](std::string &output) mutable {
             const QRVX_Graphic t = graphicOf(target), s = graphicOf(source);
             uint8_t *out = nullptr;
             uint32_t length = 0;
             const int result = QRVX_programRouteNumber(&t, &s, &out, &length);
             {
                 const Uncounted test;
                 output = bytesOf(out, length);
             }
             std::free(out);
             return result;
         }},
        // A failed marking leaves the graphic exactly as it was.
        {"mark",
         {-ENOMEM},
         bytesOf(markable.data(), markable.size()),
         [bytes = markable, markable](std::string &output) mutable {
             QRVX_Graphic graphic = graphicOf(bytes);
             const int result = QRVX_markRouteNumberProgrammed(&graphic);
             const Uncounted test;
             output = bytesOf(bytes.data(), graphic.length);
             bytes = markable;
             return result;
         }},
    };
}

TEST(AllocationFailure, EveryEntryPoint) {
    QTR_useLogger(allLevels); // every level formatted, into a sink that does not allocate
    QTR_setSink(record, nullptr);
    const TempDir dir("qrvx_faults");
    for (const EntryPoint &entry : entryPoints(dir.file("faults.png"))) {
        SCOPED_TRACE(entry.name);
        int undisturbed = 0, result = 0;
        std::string expected, output;
        const FaultRun clean = runWithFault(0, false, [&] {
            runLog.used = 0;
            undisturbed = entry.run(expected);
        });
        const std::set<std::string> cleanMessages = messagesOfRun();
        EXPECT_LT(clean.largest, std::size_t{1} << 20); // nothing sized by a width alone
        EXPECT_GT(exerciseEveryFault([&] {
                      runLog.used = 0;
                      result = entry.run(output);
                      const Uncounted test;
                      for (const std::string &message : messagesOfRun()) {
                          EXPECT_TRUE(cleanMessages.count(message) || isFailureMessage(message))
                              << message;
                      }
                      const auto &failures = entry.failures;
                      EXPECT_TRUE(result == undisturbed
                                      ? output == expected
                                      : std::ranges::count(failures, result) &&
                                            (!entry.failedOutput || output == *entry.failedOutput))
                          << result;
                  }),
                  0u);
    }
    QTR_setSink(nullptr, nullptr);
    QTR_useNoLogger();
}

} // namespace
