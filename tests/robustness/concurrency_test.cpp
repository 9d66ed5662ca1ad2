// Every operation from several threads at once on shared, read-only graphics, each thread with
// its own outputs: the results equal those of a single thread (and ThreadSanitizer stays quiet).
#include "support/png_file.hpp"
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include <thread>

namespace {

using namespace qrvx::test;

template <class T>
std::string bytesOf(const T *data, std::size_t count = 1) {
    return std::string(reinterpret_cast<const char *>(data), count * sizeof(T));
}

// What one thread sees of every operation, as bytes to compare.
std::string runEverything(const QRVX_Graphic &target, const QRVX_Graphic &source,
                          const std::string &pngPath) {
    QRVX_Bitmap bitmap;
    QRVX_Image image{};
    QRVX_RouteNumberGraphic route{};
    uint8_t *out = nullptr;
    uint32_t length = 0;
    const QRVX_ExtractOptions options{1, 1, 1};
    const QRVX_PNGOptions png{{255, 255, 255}, {0, 0, 0}, "threads"};
    const int results[] = {QRVX_parse(&target, &bitmap),
                           QRVX_extractImage(&source, &options, &image),
                           QRVX_getRouteNumberGraphic(&source, &route),
                           QRVX_programRouteNumber(&target, &source, &out, &length),
                           QRVX_convertToPNG(&target, &png, pngPath.c_str())};
    std::string seen = bytesOf(results, 5) + bytesOf(bitmap.pixels, bitmap.pixelCount) +
                       bytesOf(&image.data) + bytesOf(&image.length) +
                       bytesOf(&route.planes[0].data) + bytesOf(&route.planes[0].byteCount) +
                       bytesOf(out, length);
    for (const auto &row : readPng(pngPath).value_or(PngFile{}).rows) {
        seen += bytesOf(row.data(), row.size());
    }
    QRVX_free(&bitmap);
    std::free(out);
    return seen;
}

TEST(Concurrency, EveryOperationFromSeveralThreads) {
    const ByteVector original = makeGraphic({"VE16,RR4", 1, pixelsOf(96)});
    ByteVector target = original, source = makeGraphic({"VE16,@RP1/8/1", {}, pixelsOf(40)});
    const QRVX_Graphic t = graphicOf(target), s = graphicOf(source);
    const TempDir dir("qrvx_threads");
    const std::string expected = runEverything(t, s, dir.file("single.png"));
    std::vector<int> mismatches(4, 0);
    {
        std::vector<std::jthread> threads; // joined as they go
        for (std::size_t i = 0; i < mismatches.size(); ++i) {
            threads.emplace_back([&, i] {
                for (int round = 0; round < 10; ++round) {
                    const auto seen = runEverything(t, s, dir.file(std::to_string(i) + ".png"));
                    mismatches[i] += seen != expected;
                }
            });
        }
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(target, original);
    EXPECT_EQ(expected.substr(0, sizeof(int) * 5), std::string(sizeof(int) * 5, '\0'));
}

} // namespace
