// Every allocation an entry point makes (its own, libpng's, stdio's) is made to fail in turn.
#include "robustness/allocation_faults.hpp"
#include "support/graphic_builder.hpp"
#include "support/temp_dir.hpp"

#include "qrvx.h"
#include "qrvx_host_trace.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qrvx::test {
namespace {

// Error messages of the current run, kept without touching the heap.
struct ErrorLog {
    int count = 0;
    char last[256] = "";
};
ErrorLog errors;

void recordErrors(void *, uint32_t level, const char *, uint32_t, const char *,
                  const char *message) {
    if (level == 0x02) {
        ++errors.count;
        std::snprintf(errors.last, sizeof errors.last, "%s", message);
    }
}

// Every level on, through a sink that does not allocate, so the formatting paths run too.
class AllocationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        QTR_useLogger(0x32);
        QTR_setSink(recordErrors, nullptr);
    }
    void TearDown() override {
        QTR_setSink(nullptr, nullptr);
        QTR_useNoLogger();
    }
};

bool sameBytes(const void *a, const void *b, std::size_t size) {
    return std::memcmp(a, b, size) == 0;
}

TEST_F(AllocationFailure, Parameters) {
    const ByteVector block = parameterBlock("VE16,CS1,PA255,@RP1/2/3,RL4,CS9,HEx");
    const auto parse = [&](qrvxGraphicsParameters &out) {
        return qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()), &out);
    };
    qrvxGraphicsParameters expected;
    ASSERT_EQ(parse(expected), 0);
    qrvxGraphicsParameters initial{};
    initial.valid = 1;

    qrvxGraphicsParameters out;
    int result = 0;
    const std::size_t allocations = exerciseEveryFault({
        [&] { result = parse(out); },
        [&](const FaultRun &run) {
            if (run.injected && result == -ENOMEM) {
                EXPECT_TRUE(sameBytes(&out, &initial, sizeof out));
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_TRUE(sameBytes(&out, &expected, sizeof out));
            }
        },
        [] {},
    });
    EXPECT_GT(allocations, 1u);
}

TEST_F(AllocationFailure, Trie) {
    static const char *const keys[] = {"CS", "CSX", "ZJSON", "\xff\x00\x01"};
    TrieNode root;
    int status = 0;
    const std::size_t allocations = exerciseEveryFault({
        [&] {
            trieInit(&root);
            status = 0;
            for (const char *key : keys) {
                status |= trieInsert(&root, reinterpret_cast<const uint8_t *>(key),
                                     static_cast<int>(std::strlen(key) + 1), nullptr);
            }
        },
        [&](const FaultRun &run) {
            EXPECT_EQ(status, run.injected ? -ENOMEM : 0);
            if (!run.injected) {
                EXPECT_EQ(trieSearch(&root, reinterpret_cast<const uint8_t *>("CSX"), 4, nullptr),
                          0);
            }
        },
        [&] { trieDelete(&root); },
    });
    EXPECT_EQ(allocations, 13u);
}

struct Decoded {
    int result;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint32_t> palette; // three words an entry
    std::uint32_t width, height, scrollMode;
};

Decoded decoded(int result, const QRVX_Bitmap &bitmap) {
    Decoded out{result, {}, {}, bitmap.width, bitmap.height, bitmap.scrollMode};
    if (bitmap.pixels != nullptr) {
        out.pixels.assign(bitmap.pixels, bitmap.pixels + bitmap.pixelCount);
    }
    for (std::uint32_t i = 0; bitmap.palette != nullptr && i < bitmap.paletteCount; ++i) {
        out.palette.insert(out.palette.end(), {bitmap.palette[i].red, bitmap.palette[i].green,
                                               bitmap.palette[i].blue});
    }
    return out;
}

// Decoding either fails with -ENOMEM and its error message (the palette failing silently,
// leaving the pixels for QRVX_free) or gives the undisturbed bitmap.
TEST_F(AllocationFailure, Decode) {
    for (const char *text : {"VE8,CS1,PA255", "HE16,CS2", "VE10"}) {
        ByteVector bytes = makeGraphic({text, 1, {0x01, 0x03, 0x02, 0x00, 0x7F, 0x80}});
        const QRVX_Graphic graphic = graphicOf(bytes);
        QRVX_Bitmap bitmap;
        ASSERT_EQ(QRVX_parse(&graphic, &bitmap), 0);
        const Decoded expected = decoded(0, bitmap);
        QRVX_free(&bitmap);

        int result = 0;
        exerciseEveryFault({
            [&] {
                errors = {};
                result = QRVX_parse(&graphic, &bitmap);
            },
            [&](const FaultRun &run) {
                const Decoded actual = decoded(result, bitmap);
                if (!run.injected || result == 0) {
                    EXPECT_EQ(actual.result, 0) << text;
                    EXPECT_EQ(actual.pixels, expected.pixels) << text;
                    EXPECT_EQ(actual.palette, expected.palette) << text;
                    return;
                }
                EXPECT_EQ(result, -ENOMEM) << text;
                const std::string message = errors.last;
                const bool known = message.empty() ||
                                   message == "Bitmap Conversion Failed. No Memory." ||
                                   message.starts_with("Bitmap (");
                EXPECT_TRUE(known) << message;
                EXPECT_LE(errors.count, 1);
                EXPECT_TRUE(bitmap.palette == nullptr);
            },
            [&] { QRVX_free(&bitmap); },
        });
    }
}

std::vector<char> fileBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Conversion fails with -ENOMEM (its own buffers, libpng's structures, the stream) or -EIO
// (libpng's working memory, reported as a write failure), or writes the undisturbed file; a
// failed stream buffer falls back to unbuffered writing.
TEST_F(AllocationFailure, PngConversion) {
    const TempDir dir("qrvx_faults");
    const std::string path = dir.file("faults.png");
    ByteVector bytes = makeGraphic({"VE16,CS2,PA255,PB65280", {}, pixelsOf(64)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "faults"};
    ASSERT_EQ(QRVX_convertToPNG(&graphic, &options, path.c_str()), 0);
    const std::vector<char> expected = fileBytes(path);

    int result = 0;
    const std::size_t allocations = exerciseEveryFault({
        [&] { result = QRVX_convertToPNG(&graphic, &options, path.c_str()); },
        [&](const FaultRun &run) {
            if (!run.injected || result == 0) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(fileBytes(path), expected);
            } else {
                EXPECT_TRUE(result == -ENOMEM || result == -EIO) << result;
            }
        },
        [] {},
    });
    EXPECT_GT(allocations, 5u); // libpng's and the stream's allocations are reached too
}

// A line size just below the rounding limit makes an image 4294967288 pixels wide and without
// rows: libpng refuses it, and nothing may be allocated by its width on the way.
TEST_F(AllocationFailure, PngOfAHugeWidthWithoutRowsAllocatesLittle) {
    ByteVector bytes = makeGraphic({"HE-8", {}, {0x56}});
    const QRVX_Graphic graphic = graphicOf(bytes);
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, ""};
    int result = 0;
    const FaultRun run = runWithFault(
        0, FaultMode::nthOnly, [&] { result = QRVX_convertToPNG(&graphic, &options, "/dev/null"); },
        [](const FaultRun &) {}, [] {});
    EXPECT_EQ(result, -EIO);
    EXPECT_LT(run.largest, std::size_t{1} << 20);
    EXPECT_EQ(run.outstanding, 0);
}

// Programming allocates once; its failure hands out nothing.
TEST_F(AllocationFailure, Programming) {
    ByteVector target = makeGraphic({"CS1,RR", 0, pixelsOf(8)});
    ByteVector source = makeGraphic({"CS1,@RP1/1/1", {}, pixelsOf(4)});
    const QRVX_Graphic t = graphicOf(target);
    const QRVX_Graphic s = graphicOf(source);
    uint8_t *expected = nullptr;
    uint32_t expectedLength = 0;
    ASSERT_EQ(QRVX_programRouteNumber(&t, &s, &expected, &expectedLength), 0);

    uint8_t *out = nullptr;
    uint32_t length = 0;
    int result = 0;
    exerciseEveryFault({
        [&] { result = QRVX_programRouteNumber(&t, &s, &out, &length); },
        [&](const FaultRun &run) {
            if (!run.injected || result == 0) {
                ASSERT_EQ(result, 0);
                ASSERT_EQ(length, expectedLength);
                EXPECT_TRUE(sameBytes(out, expected, length));
            } else {
                EXPECT_EQ(result, -ENOMEM);
            }
        },
        [&] {
            std::free(out);
            out = nullptr;
        },
    });
    std::free(expected);
}

// Marking fails with -ENOMEM and leaves the graphic exactly as it was.
TEST_F(AllocationFailure, Marking) {
    const ByteVector original = makeGraphic({"IN2, RL24,CS1", 0, pixelsOf(10)});
    ByteVector expected = original;
    QRVX_Graphic marked = graphicOf(expected);
    ASSERT_EQ(QRVX_markRouteNumberProgrammed(&marked), 0);

    ByteVector bytes = original;
    QRVX_Graphic graphic = graphicOf(bytes);
    int result = 0;
    exerciseEveryFault({
        [&] { result = QRVX_markRouteNumberProgrammed(&graphic); },
        [&](const FaultRun &run) {
            if (!run.injected || result == 0) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(graphic.length, marked.length);
                EXPECT_TRUE(sameBytes(bytes.data(), expected.data(), marked.length));
            } else {
                EXPECT_EQ(result, -ENOMEM);
                EXPECT_EQ(graphic.length, original.size());
                EXPECT_EQ(bytes, original);
            }
            bytes = original;
            graphic = graphicOf(bytes);
        },
        [] {},
    });
}

} // namespace
} // namespace qrvx::test
