// The benchmark families, registered by the report's main, and the names their results carry.
#pragma once

#include "support/temp_dir.hpp"
#include "workloads.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace qrvx::bench {

// Seconds each repetition runs at least.
inline constexpr double minimumTime = 0.2;

inline benchmark::TimeUnit timeUnitFor(const Workload &workload) {
    return workload.pixels() > 1'000'000 ? benchmark::kMillisecond : benchmark::kMicrosecond;
}

// A temporary folder for the PNG files the benchmarks write.
const test::TempDir &scratch();
// Each write makes a new file: a file truncated and written again is flushed to the disk when it
// is closed (a file system's guard for replaced files), which would time the disk.
void removeUntimed(benchmark::State &state, const std::string &path);

std::string decodeName(const Workload &workload);
std::string parseName(const Workload &workload);
std::string copyName(const Workload &workload);
std::string exportName(const Workload &workload);
std::string floorName(const Workload &workload);
extern const char *const parametersName;
extern const char *const extractName;
extern const char *const programName;
extern const char *const textSignName;
extern const char *const brokenSignName;
extern const char *const textSignExportName;
extern const char *const builtInFontName;
extern const char *const fontReadName;

void registerDecoding();
void registerExport();
void registerTypical();
void registerText();

} // namespace qrvx::bench
