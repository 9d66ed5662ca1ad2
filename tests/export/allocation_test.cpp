// Every allocation of the library failing in turn. This program links the library's objects
// with malloc and calloc wrapped (-Wl,--wrap), so only the library's own requests are counted;
// the sanitizer preset reports anything a failure path leaks.
#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

extern "C" void *__real_malloc(std::size_t size);
extern "C" void *__real_calloc(std::size_t count, std::size_t size);

namespace {

long countdown = -1; // the allocation that fails, counted from 0; -1: none
long requests = 0;

bool refuse() {
    ++requests;
    return countdown >= 0 && countdown-- == 0;
}

} // namespace

extern "C" void *__wrap_malloc(std::size_t size) {
    return refuse() ? nullptr : __real_malloc(size);
}

extern "C" void *__wrap_calloc(std::size_t count, std::size_t size) {
    return refuse() ? nullptr : __real_calloc(count, size);
}

namespace qrvx::test {
namespace {

using Errors = std::vector<std::string>;
using Outcome = std::pair<int, Errors>; // result and error messages

// Runs call once with each of the allocations that a successful call makes failing in turn.
template <typename Call>
std::vector<Outcome> failEachAllocation(Call call) {
    requests = 0;
    EXPECT_EQ(call(), 0);
    std::vector<Outcome> runs;
    for (long n = 0, total = requests; n < total; ++n) {
        TraceCapture capture(errorLevel);
        countdown = n;
        Outcome run{call(), {}};
        countdown = -1;
        for (const Message &message : capture.messages()) {
            run.second.push_back(message.text);
        }
        runs.push_back(run);
    }
    return runs;
}

// A result of 1000 + e: the call failed with e and yet left pixels or a file behind.
TEST(AllocationFailure, DecodeReportsEachAndReleasesEverything) {
    ByteVector bytes = makeGraphic({"VE8,CS1", {}, {0x01, 0x03, 0x02, 0x00}});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_Bitmap bitmap{};
    const auto runs = failEachAllocation([&] {
        const int result = QRVX_parse(&graphic, &bitmap);
        const bool keptPixels = bitmap.pixels != nullptr;
        QRVX_free(&bitmap);
        return result == 0 || !keptPixels ? result : 1000 + result;
    });
    ASSERT_GE(runs.size(), 4u);
    for (std::size_t n = 0; n + 3 < runs.size(); ++n) {
        EXPECT_EQ(runs[n].first, -ENOMEM) << "parameter parse, allocation " << n;
    }
    // The last three: unpacking, turning columns into rows, the palette (the pixels stay).
    const auto last = runs.end() - 3;
    EXPECT_EQ(last[0], Outcome(-ENOMEM, {"Bitmap Conversion Failed. No Memory."}));
    EXPECT_EQ(last[1], Outcome(-ENOMEM, {"Bitmap (8 x 2) Rotation Failed. No Memory."}));
    EXPECT_EQ(last[2], Outcome(1000 - ENOMEM, {}));
}

TEST(AllocationFailure, PngConversionReportsEachAndWritesNothing) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("qrvx_allocation_" + std::to_string(::getpid()) + ".png");
    ByteVector bytes = makeGraphic({"HE8", {}, {0x80, 0x01}});
    const QRVX_Graphic graphic = graphicOf(bytes);
    const QRVX_PNGOptions options{};
    const auto runs = failEachAllocation([&] {
        std::filesystem::remove(file);
        const int result = QRVX_convertToPNG(&graphic, &options, file.c_str());
        return result == 0 || !std::filesystem::exists(file) ? result : 1000 + result;
    });
    std::filesystem::remove(file);
    for (const Outcome &run : runs) {
        EXPECT_EQ(run.first, -ENOMEM);
    }
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs.back(), Outcome(-ENOMEM, {})) << "the row buffer fails silently";
}

} // namespace
} // namespace qrvx::test
