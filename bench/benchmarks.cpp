// What a host pays per call, on graphics of a typical sign size (16 pixels high, 120 columns).
#include "qrvx.h"
#include "qrvx_host_trace.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes graphic(const std::string &text, std::size_t pixelBytes) {
    char header[4];
    std::snprintf(header, sizeof header, "*%02X", static_cast<unsigned>(text.size()));
    const std::string block = header + text + "*";
    Bytes bytes(block.begin(), block.end());
    for (std::size_t i = 0; i < pixelBytes; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i * 131 + 7));
    }
    return bytes;
}

QRVX_Graphic view(Bytes &bytes) {
    return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0, 0};
}

// Each colour system on a vertical 16 x 120 sign and a horizontal 120 x 16 one.
const char *const layouts[] = {"VE16",  "VE16,CS1,PA255,PB65280", "VE16,CS2,PA255",
                               "HE120", "HE120,CS1,PA255",        "HE120,CS2,PA255"};
constexpr std::size_t pixelBytes[] = {240, 480, 480, 240, 480, 480};

void parameters(benchmark::State &state) {
    const Bytes bytes = graphic("VE16,CS1,PA255,PB65280,PC16711680,PD0,RR8,FG1,BG0", 0);
    qrvxGraphicsParameters out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qrvxParseGraphicsParameters(
            bytes.data(), static_cast<std::uint32_t>(bytes.size()), &out));
    }
}
BENCHMARK(parameters);

void decode(benchmark::State &state) {
    const auto layout = static_cast<std::size_t>(state.range(0));
    Bytes bytes = graphic(layouts[layout], pixelBytes[layout]);
    const QRVX_Graphic g = view(bytes);
    state.SetLabel(layouts[layout]);
    for (auto _ : state) {
        QRVX_Bitmap bitmap;
        benchmark::DoNotOptimize(QRVX_parse(&g, &bitmap));
        QRVX_free(&bitmap);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 16 * 120);
}
BENCHMARK(decode)->DenseRange(0, 5);

void extract(benchmark::State &state) {
    Bytes bytes = graphic("VE16,RR8", 240);
    const QRVX_Graphic g = view(bytes);
    const QRVX_ExtractOptions options{1, 1, 1};
    QRVX_Image image;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QRVX_extractImage(&g, &options, &image));
    }
}
BENCHMARK(extract);

void program(benchmark::State &state) {
    Bytes target = graphic("VE16,CS1,RR8", 480);
    Bytes source = graphic("VE16,CS1,@RP1/16/1", 64);
    const QRVX_Graphic t = view(target);
    const QRVX_Graphic s = view(source);
    for (auto _ : state) {
        std::uint8_t *out = nullptr;
        std::uint32_t length = 0;
        benchmark::DoNotOptimize(QRVX_programRouteNumber(&t, &s, &out, &length));
        std::free(out);
    }
}
BENCHMARK(program);

void mark(benchmark::State &state) {
    const Bytes original = graphic("VE16,CS1,PA255, RR8,FG1", 480);
    Bytes bytes = original;
    for (auto _ : state) {
        state.PauseTiming();
        bytes = original;
        QRVX_Graphic g = view(bytes);
        state.ResumeTiming();
        benchmark::DoNotOptimize(QRVX_markRouteNumberProgrammed(&g));
    }
}
BENCHMARK(mark);

void png(benchmark::State &state) {
    Bytes bytes = graphic("VE16,CS2,PA255,PB65280", 480);
    const QRVX_Graphic g = view(bytes);
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "bench"};
    const std::string path = "/tmp/qrvx-bench.png";
    for (auto _ : state) {
        benchmark::DoNotOptimize(QRVX_convertToPNG(&g, &options, path.c_str()));
    }
    std::remove(path.c_str());
}
BENCHMARK(png);

// Without a logger only errors are formatted; the graphics here log none.
const bool quiet = (QTR_useNoLogger(), true);

} // namespace
