// Every operation from several threads at once on shared, read-only graphics, each thread with
// its own outputs: the results equal those of a single thread (and ThreadSanitizer stays quiet).
#include "support/graphic_builder.hpp"
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace qrvx::test {
namespace {

// What one thread sees of every operation, as plain values to compare.
struct Results {
    std::vector<std::uint8_t> pixels;
    QRVX_Image image{};
    QRVX_RouteNumberGraphic route{};
    std::vector<std::uint8_t> programmed;
    std::vector<std::vector<std::uint8_t>> pngRows;

    bool operator==(const Results &other) const {
        return pixels == other.pixels && sameImage(image, other.image) &&
               sameArea(route, other.route) && programmed == other.programmed &&
               pngRows == other.pngRows;
    }

    static bool sameImage(const QRVX_Image &a, const QRVX_Image &b) {
        return a.colourSystem == b.colourSystem && a.columnCount == b.columnCount &&
               a.columnSize == b.columnSize && a.data == b.data && a.secondPlane == b.secondPlane &&
               a.length == b.length;
    }
    static bool sameArea(const QRVX_RouteNumberGraphic &a, const QRVX_RouteNumberGraphic &b) {
        const auto samePlane = [](const QRVX_RouteNumberPlane &p, const QRVX_RouteNumberPlane &q) {
            return p.data == q.data && p.byteCount == q.byteCount &&
                   p.bitsPerPixel == q.bitsPerPixel && p.width == q.width && p.height == q.height;
        };
        return a.programmable == b.programmable && a.routeAtEnd == b.routeAtEnd &&
               a.routeCode == b.routeCode && samePlane(a.planes[0], b.planes[0]) &&
               samePlane(a.planes[1], b.planes[1]);
    }
};

Results runEverything(const QRVX_Graphic &target, const QRVX_Graphic &source,
                      const std::string &pngPath) {
    Results r;
    QRVX_Bitmap bitmap;
    EXPECT_EQ(QRVX_parse(&target, &bitmap), 0);
    r.pixels.assign(bitmap.pixels, bitmap.pixels + bitmap.pixelCount);
    QRVX_free(&bitmap);

    const QRVX_ExtractOptions options{1, 1, 1};
    EXPECT_EQ(QRVX_extractImage(&source, &options, &r.image), 0);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&source, &r.route), 0);

    uint8_t *out = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(QRVX_programRouteNumber(&target, &source, &out, &length), 0);
    r.programmed.assign(out, out + length);
    std::free(out);

    const QRVX_PNGOptions png{{255, 255, 255}, {0, 0, 0}, "threads"};
    EXPECT_EQ(QRVX_convertToPNG(&target, &png, pngPath.c_str()), 0);
    if (const auto file = readPng(pngPath)) {
        r.pngRows = file->rows;
    }
    std::filesystem::remove(pngPath);
    return r;
}

TEST(Concurrency, EveryOperationFromSeveralThreads) {
    ByteVector target = makeGraphic({"VE16,RR4", 1, pixelsOf(96)});
    ByteVector source = makeGraphic({"VE16,@RP1/8/1", {}, pixelsOf(40)});
    const QRVX_Graphic t = graphicOf(target);
    const QRVX_Graphic s = graphicOf(source);
    const TempDir dir("qrvx_threads");
    const Results expected = runEverything(t, s, dir.file("single.png"));
    ASSERT_FALSE(expected.pngRows.empty());

    constexpr int threadCount = 4;
    constexpr int rounds = 10;
    std::vector<Results> last(threadCount);
    std::vector<int> mismatches(threadCount, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < rounds; ++round) {
                last[i] = runEverything(t, s, dir.file(std::to_string(i) + ".png"));
                mismatches[i] += last[i] == expected ? 0 : 1;
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    for (int i = 0; i < threadCount; ++i) {
        EXPECT_EQ(mismatches[i], 0) << "thread " << i;
    }
    EXPECT_EQ(target, makeGraphic({"VE16,RR4", 1, pixelsOf(96)}));
}

} // namespace
} // namespace qrvx::test
