// The benchmark families, registered by the report's main, and the names their results carry.
#pragma once

#include "workloads.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace qrvx::bench {

// Seconds each repetition runs at least.
inline constexpr double minimumTime = 0.2;

inline benchmark::TimeUnit timeUnitFor(const Workload &workload) {
    return workload.pixels() > 1'000'000 ? benchmark::kMillisecond : benchmark::kMicrosecond;
}

std::string decodeName(const Workload &workload);
std::string parseName(const Workload &workload);
std::string copyName(const Workload &workload);
std::string exportName(const Workload &workload);
std::string floorName(const Workload &workload);
extern const char *const parametersName;
extern const char *const extractName;
extern const char *const programName;

void registerDecoding();
void registerExport();
void registerTypical();

} // namespace qrvx::bench
