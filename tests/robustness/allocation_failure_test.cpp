// Every allocation an entry point makes (its own, the parameter trie's, libpng's, stdio's) is
// made to fail in turn: each run gives exactly the undisturbed outputs, or one of the results a
// failed allocation may give (with the outputs it leaves, where they are documented), and leaks
// nothing. The executable replaces malloc, calloc, realloc and free to make them fail, so the
// library, libpng and stdio are all reached; nothing of this lives in the library.
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include "qrvx_host_trace.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <utility>

// The real allocator: a sanitizer's when one is linked (so it keeps tracking every block), else
// the C library's.
extern "C" {
void *__interceptor_malloc(std::size_t) __attribute__((weak));
void *__interceptor_calloc(std::size_t, std::size_t) __attribute__((weak));
void *__interceptor_realloc(void *, std::size_t) __attribute__((weak));
void __interceptor_free(void *) __attribute__((weak));
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void __libc_free(void *);
}

namespace {

thread_local struct {
    bool counting, injected;
    std::size_t failFrom, failTo, attempts, largest; // allocations failFrom to failTo fail
    long outstanding;
} faults;

bool shouldFail(std::size_t size) {
    if (!faults.counting) {
        return false;
    }
    faults.largest = std::max(faults.largest, size);
    const bool fail = ++faults.attempts >= faults.failFrom && faults.attempts <= faults.failTo;
    faults.injected = faults.injected || fail;
    return fail;
}

// Counts a block given out (change 1) or taken back (-1) while counting.
void *track(void *memory, long change = 1) {
    if (faults.counting && memory != nullptr) {
        faults.outstanding += change;
    }
    return memory;
}

template <typename Sanitizer, typename Libc, typename... Arguments>
auto real(Sanitizer *sanitizer, Libc *libc, Arguments... arguments) {
    return sanitizer != nullptr ? sanitizer(arguments...) : libc(arguments...);
}

using namespace qrvx::test;

// While alive, allocations of the test's own are neither counted nor failed.
struct Uncounted {
    const bool counting = std::exchange(faults.counting, false);
    ~Uncounted() { faults.counting = counting; }
};

// Runs body(true) undisturbed, then body(false) with allocation n = 1, 2, ... failing, alone and
// with every later one, until a run completes without a fault; no run may leak. Returns the
// largest single request of the undisturbed run.
std::size_t exerciseEveryFault(const std::function<void(bool undisturbed)> &body) {
    faults = {true, false, SIZE_MAX, 0, 0, 0, 0};
    body(true);
    const std::size_t largest = faults.largest;
    EXPECT_EQ(faults.outstanding, 0) << "blocks leaked undisturbed";
    for (const bool andLater : {false, true}) {
        for (std::size_t n = 1; n == 1 || faults.injected; ++n) {
            faults = {true, false, n, andLater ? SIZE_MAX : n, 0, 0, 0};
            body(false);
            EXPECT_EQ(faults.outstanding, 0) << "blocks leaked with allocation " << n
                                             << (andLater ? " and later ones" : "") << " failing";
        }
    }
    faults = {};
    return largest;
}

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

// The replacements every allocation of the process goes through.
extern "C" {

void *malloc(std::size_t size) {
    return shouldFail(size) ? nullptr : track(real(__interceptor_malloc, __libc_malloc, size));
}

void *calloc(std::size_t count, std::size_t size) {
    if (shouldFail(size > 0 && count > SIZE_MAX / size ? SIZE_MAX : count * size)) {
        return nullptr;
    }
    return track(real(__interceptor_calloc, __libc_calloc, count, size));
}

void *realloc(void *memory, std::size_t size) {
    if (shouldFail(size)) {
        return nullptr;
    }
    track(memory, -1);
    return track(real(__interceptor_realloc, __libc_realloc, memory, size));
}

void free(void *memory) {
    track(memory, -1);
    real(__interceptor_free, __libc_free, memory);
}

} // extern "C"
