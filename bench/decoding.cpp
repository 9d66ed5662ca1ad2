// Decoding large and sign-sized graphics, beside a copy of the same output size as the basis.
#include "registration.hpp"
#include "workloads.hpp"

#include "qrvx.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace qrvx::bench {
namespace {

void decodeGraphic(benchmark::State &state, const Workload &workload) {
    test::ByteVector bytes = graphicBytes(workload);
    const QRVX_Graphic graphic = test::graphicOf(bytes);
    QRVX_Bitmap probe;
    const bool decoded = QRVX_parse(&graphic, &probe) == 0 && probe.width == workload.width &&
                         probe.height == workload.height;
    QRVX_free(&probe);
    if (!decoded) {
        state.SkipWithError("the graphic does not decode to the workload's size");
        return;
    }
    for (auto _ : state) {
        QRVX_Bitmap bitmap;
        benchmark::DoNotOptimize(QRVX_parse(&graphic, &bitmap));
        benchmark::DoNotOptimize(bitmap.pixels);
        QRVX_free(&bitmap);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(workload.pixels()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(workload.pixelBytes));
}

// The parameter parse alone, which every decode starts with.
void parseParameters(benchmark::State &state, const Workload &workload) {
    const test::ByteVector bytes = graphicBytes(workload);
    qrvxGraphicsParameters parameters;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qrvxParseGraphicsParameters(
            bytes.data(), static_cast<std::uint32_t>(bytes.size()), &parameters));
    }
}

// What the least a decoder does costs: a new buffer of the output's size, filled by memcpy.
void copyBasis(benchmark::State &state, std::size_t size) {
    const std::vector<std::uint8_t> source(size, 0x5A);
    for (auto _ : state) {
        auto *copy = static_cast<std::uint8_t *>(std::malloc(size));
        if (copy == nullptr) {
            state.SkipWithError("out of memory");
            break;
        }
        std::memcpy(copy, source.data(), size);
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
        std::free(copy);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

} // namespace

std::string decodeName(const Workload &workload) {
    return std::string("decode/") + workload.name;
}

std::string parseName(const Workload &workload) {
    return std::string("parse_parameters/") + workload.name;
}

std::string copyName(const Workload &workload) {
    return "memcpy/" + std::to_string(workload.pixels());
}

void registerDecoding() {
    benchmark::RegisterBenchmark(parseName(smallSign).c_str(), parseParameters, smallSign)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(minimumTime);
    std::vector<std::uint64_t> copySizes;
    for (const Workload &workload : decodeWorkloads) {
        benchmark::RegisterBenchmark(decodeName(workload).c_str(), decodeGraphic, workload)
            ->Unit(timeUnitFor(workload))
            ->MinTime(minimumTime);
        if (std::find(copySizes.begin(), copySizes.end(), workload.pixels()) == copySizes.end()) {
            copySizes.push_back(workload.pixels());
            benchmark::RegisterBenchmark(copyName(workload).c_str(), copyBasis,
                                         static_cast<std::size_t>(workload.pixels()))
                ->Unit(timeUnitFor(workload))
                ->MinTime(minimumTime);
        }
    }
}

} // namespace qrvx::bench
