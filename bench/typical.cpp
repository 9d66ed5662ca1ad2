// What a host pays per call on graphics of a typical sign (16 pixels high, 120 columns).
#include "registration.hpp"

#include "qrvx.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace qrvx::bench {
namespace {

using test::ByteVector;

ByteVector graphic(const char *parameters, ByteVector pixels) {
    return test::makeGraphic({parameters, std::nullopt, std::move(pixels)});
}

ByteVector graphic(const char *parameters, std::size_t pixelBytes) {
    return graphic(parameters, test::pixelsOf(pixelBytes));
}

void parameters(benchmark::State &state) {
    const ByteVector bytes = graphic("VE16,CS1,PA255,PB65280,PC16711680,PD0,RR8,FG1,BG0", 0);
    qrvxGraphicsParameters out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qrvxParseGraphicsParameters(
            bytes.data(), static_cast<std::uint32_t>(bytes.size()), &out));
    }
}

// Each colour system on a vertical 16 x 120 sign and a horizontal 120 x 16 one.
struct Layout {
    const char *parameters;
    std::size_t pixelBytes;
};
constexpr Layout layouts[] = {
    {"VE16", 240},  {"VE16,CS1,PA255,PB65280", 480}, {"VE16,CS2,PA255", 480},
    {"HE120", 240}, {"HE120,CS1,PA255", 480},        {"HE120,CS2,PA255", 480}};

void decode(benchmark::State &state, const Layout &layout) {
    ByteVector bytes = graphic(layout.parameters, layout.pixelBytes);
    const QRVX_Graphic g = test::graphicOf(bytes);
    for (auto _ : state) {
        QRVX_Bitmap bitmap;
        benchmark::DoNotOptimize(QRVX_parse(&g, &bitmap));
        QRVX_free(&bitmap);
    }
    state.SetItemsProcessed(state.iterations() * 16 * 120);
}

// Blank columns at both ends for the trims, and a route-number area of 8 columns at the end.
void extract(benchmark::State &state) {
    ByteVector pixels(8, 0);
    const ByteVector text = test::pixelsOf(224);
    pixels.insert(pixels.end(), text.begin(), text.end());
    pixels.insert(pixels.end(), 8, 0);
    ByteVector bytes = graphic("VE16,RR8", pixels);
    const QRVX_Graphic g = test::graphicOf(bytes);
    const QRVX_ExtractOptions options{1, 1, 1};
    QRVX_Image image;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QRVX_extractImage(&g, &options, &image));
    }
}

void program(benchmark::State &state) {
    ByteVector target = graphic("VE16,CS1,RR8", 480);
    ByteVector source = graphic("VE16,CS1,@RP1/16/1", 64);
    const QRVX_Graphic t = test::graphicOf(target);
    const QRVX_Graphic s = test::graphicOf(source);
    for (auto _ : state) {
        std::uint8_t *out = nullptr;
        std::uint32_t length = 0;
        benchmark::DoNotOptimize(QRVX_programRouteNumber(&t, &s, &out, &length));
        std::free(out);
    }
}

void mark(benchmark::State &state) {
    const ByteVector original = graphic("VE16,CS1,PA255, RR8,FG1", 480);
    ByteVector bytes = original;
    for (auto _ : state) {
        state.PauseTiming();
        bytes = original;
        QRVX_Graphic g = test::graphicOf(bytes);
        state.ResumeTiming();
        benchmark::DoNotOptimize(QRVX_markRouteNumberProgrammed(&g));
    }
}

} // namespace

const char *const parametersName = "typical/parameters";
const char *const extractName = "typical/extract_trimmed";
const char *const programName = "typical/program_route_number";

void registerTypical() {
    const auto add = [](const std::string &name, auto function, auto... arguments) {
        benchmark::RegisterBenchmark(name.c_str(), function, arguments...)
            ->Unit(benchmark::kNanosecond)
            ->MinTime(minimumTime);
    };
    add(parametersName, parameters);
    for (const Layout &layout : layouts) {
        add(std::string("typical/decode/") + layout.parameters, decode, layout);
    }
    add(extractName, extract);
    add(programName, program);
    add("typical/mark", mark);
}

} // namespace qrvx::bench
