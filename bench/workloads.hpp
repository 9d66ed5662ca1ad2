// The graphics the benchmarks measure, and the names the report finds their results under.
#pragma once

#include "support/graphic_builder.hpp"

#include <cstddef>
#include <cstdint>

namespace qrvx::bench {

struct Workload {
    const char *name;
    const char *parameters;
    std::size_t pixelBytes; // packed pixel data
    std::uint32_t width, height;

    std::uint64_t pixels() const { return std::uint64_t{width} * height; }
};

// A million columns of 32 pixels (or 32 rows of a million) in each colour system, and a sign of
// 200 columns of 16.
inline constexpr Workload verticalMono{"vertical_mono_32x1000000", "VE32", 4'000'000, 1'000'000,
                                       32};
inline constexpr Workload verticalCs1{"vertical_cs1_32x1000000", "VE32,CS1", 8'000'000, 1'000'000,
                                      32};
inline constexpr Workload verticalCs2{"vertical_cs2_32x1000000", "VE32,CS2", 8'000'000, 1'000'000,
                                      32};
inline constexpr Workload horizontalMono{"horizontal_mono_1000000x32", "HE1000000", 4'000'000,
                                         1'000'000, 32};
inline constexpr Workload horizontalCs1{"horizontal_cs1_1000000x32", "HE1000000,CS1", 8'000'000,
                                        1'000'000, 32};
inline constexpr Workload horizontalCs2{"horizontal_cs2_1000000x32", "HE1000000,CS2", 8'000'000,
                                        1'000'000, 32};
inline constexpr Workload smallSign{"vertical_mono_16x200", "VE16", 400, 200, 16};

inline constexpr Workload decodeWorkloads[] = {verticalMono,   verticalCs1,   verticalCs2,
                                               horizontalMono, horizontalCs1, horizontalCs2,
                                               smallSign};
inline constexpr Workload exportWorkloads[] = {verticalMono, smallSign};

// The graphic's bytes: its parameter block and a fixed pattern of pixel bytes.
inline test::ByteVector graphicBytes(const Workload &workload) {
    return test::makeGraphic(
        {workload.parameters, std::nullopt, test::pixelsOf(workload.pixelBytes)});
}

} // namespace qrvx::bench
