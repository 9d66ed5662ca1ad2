// Runs every benchmark, then prints each measured work against its basis and its goal.
#include "registration.hpp"
#include "workloads.hpp"

#include "qrvx_host_trace.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qrvx::bench {
namespace {

double secondsPerUnit(benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kNanosecond:
        return 1e-9;
    case benchmark::kMicrosecond:
        return 1e-6;
    case benchmark::kMillisecond:
        return 1e-3;
    default:
        return 1.0;
    }
}

// The console output as usual; the median CPU time of each benchmark kept, in seconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            // Aggregates follow the repetitions, so the median overwrites them; a single
            // repetition has none and stands for itself. A benchmark that skipped with an error
            // has no aggregates.
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                medians_[run.run_name.function_name] =
                    run.GetAdjustedCPUTime() * secondsPerUnit(run.time_unit);
            }
        }
    }

    std::optional<double> median(const std::string &name) const {
        const auto found = medians_.find(name);
        return found != medians_.end() ? std::optional<double>(found->second) : std::nullopt;
    }

private:
    std::map<std::string, double> medians_;
};

// One line of the table: work, measured against basis (none: the time alone), and the most the
// ratio may be (0: no goal).
struct Line {
    std::string label, work, basis;
    double goal = 0;
    std::uint64_t pixels = 0; // for a throughput
};

std::vector<Line> lines() {
    std::vector<Line> table;
    const auto decoding = [&](const char *label, const Workload &workload, double goal) {
        table.push_back({label, decodeName(workload), copyName(workload), goal, workload.pixels()});
    };
    decoding("decode vertical mono 32 x 1,000,000", verticalMono, 1.5);
    decoding("decode vertical CS1 32 x 1,000,000", verticalCs1, 2.0);
    decoding("decode vertical CS2 32 x 1,000,000", verticalCs2, 0);
    decoding("decode horizontal mono 1,000,000 x 32", horizontalMono, 0.6);
    decoding("decode horizontal CS1 1,000,000 x 32", horizontalCs1, 0);
    decoding("decode horizontal CS2 1,000,000 x 32", horizontalCs2, 0);
    decoding("decode vertical mono 16 x 200", smallSign, 0);
    table.push_back({"decode 16 x 200 / its PNG export", decodeName(smallSign),
                     exportName(smallSign), 0.05, smallSign.pixels()});
    table.push_back({"its parameter parse alone / its PNG export", parseName(smallSign),
                     exportName(smallSign), 0, 0});
    table.push_back({"PNG 32 x 1,000,000 / libpng floor", exportName(verticalMono),
                     floorName(verticalMono), 1.05, 0});
    table.push_back(
        {"PNG 16 x 200 / libpng floor", exportName(smallSign), floorName(smallSign), 1.05, 0});
    table.push_back({"parse a parameter block of 9 keys", parametersName, "", 0, 0});
    table.push_back({"extract with trims, route number excluded", extractName, "", 0, 0});
    table.push_back({"program a route number", programName, "", 0, 0});
    table.push_back({"text sign 128 x 16, compose + encode / its PNG export", textSignName,
                     textSignExportName, 0.25, 0});
    table.push_back({"a lone line broken in two, compose + encode / the same PNG export",
                     brokenSignName, textSignExportName, 0, 0});
    table.push_back(
        {"load a built-in font again (read once a process)", builtInFontName, "", 0, 0});
    table.push_back({"read sign-7 through FreeType", fontReadName, "", 0, 0});
    return table;
}

std::string formatTime(double seconds) {
    char text[32];
    if (seconds >= 1e-3) {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else if (seconds >= 1e-6) {
        std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.0f ns", seconds * 1e9);
    }
    return text;
}

void printTable(const MedianReporter &reporter) {
    std::printf("\n| work | median | Mpx/s | ratio | goal |\n|---|---:|---:|---:|---|\n");
    for (const Line &line : lines()) {
        const std::optional<double> work = reporter.median(line.work);
        if (!work) {
            continue;
        }
        std::string throughput = "";
        if (line.pixels != 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.0f",
                          static_cast<double>(line.pixels) / *work / 1e6);
            throughput = text;
        }
        std::string ratio = "";
        std::string goal = "";
        if (const std::optional<double> basis = reporter.median(line.basis)) {
            char text[64];
            std::snprintf(text, sizeof text, "%.3f (%s)", *work / *basis, line.basis.c_str());
            ratio = text;
            if (line.goal != 0) {
                std::snprintf(text, sizeof text, "<= %.2f: %s", line.goal,
                              *work / *basis <= line.goal ? "met" : "MISSED");
                goal = text;
            }
        }
        std::printf("| %s | %s | %s | %s | %s |\n", line.label.c_str(), formatTime(*work).c_str(),
                    throughput.c_str(), ratio.c_str(), goal.c_str());
    }
}

} // namespace
} // namespace qrvx::bench

int main(int argc, char **argv) {
    // Medians of 5, the repetitions of all benchmarks in random order, so that a work and its
    // basis see the same load of a shared machine. The command line may change that (a later
    // flag wins).
    std::string defaults[] = {"--benchmark_repetitions=5",
                              "--benchmark_enable_random_interleaving=true",
                              "--benchmark_report_aggregates_only=true"};
    std::vector<char *> arguments{argv[0]};
    for (std::string &flag : defaults) {
        arguments.push_back(flag.data());
    }
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 1;
    }
    // Without a logger only errors are formatted; these graphics log none.
    QTR_useNoLogger();
    qrvx::bench::registerDecoding();
    qrvx::bench::registerExport();
    qrvx::bench::registerTypical();
    qrvx::bench::registerText();
    qrvx::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    qrvx::bench::printTable(reporter);
    benchmark::Shutdown();
    return 0;
}
