// The rules every sign keeps, as fitting checks its candidates and placement draws them:
// - letters: at least one blank column between the ink of neighbouring letters (measured on the
//   ink: MeasuredRun::leastSpacing gives the spacing that keeps it, and no candidate goes below);
// - lines: at least one wholly blank row between the ink of two lines, and their capitals at
//   least the layout's line gap apart;
// - all ink on the sign: the capitals between the margins, the ink within the sign's rows.
#pragma once

#include "geometry.hpp"
#include "text.hpp"

#include <span>
#include <vector>

namespace qrvx::text {

// A line as the rules see it up and down: its capitals' rows and its ink about its baseline.
struct LineRows {
    std::int64_t capHeight = 0;
    InkRows ink;
};

// The baseline of each line, counted from the top of the first line's capitals.
std::vector<std::int64_t> stackBaselines(std::span<const LineRows> lines, std::uint32_t lineGap);

// Rows of a stack: its capitals' (from the first line's top to the last baseline) and its ink's,
// both about the top of the first line's capitals.
struct StackRows {
    std::int64_t capitals = 0;
    InkRows ink;
};
StackRows stackRows(std::span<const LineRows> lines, std::uint32_t lineGap);

// The rows a stack lacks on the sign: capitals beyond the rows between the margins, or ink
// beyond the sign's height, whichever lacks more; 0 when it fits.
std::int64_t rowsLacking(const StackRows &stack, const Layout &layout);

// The wholly blank rows between the ink of two lines whose baselines are `pitch` rows apart.
std::int64_t blankRowsBetween(const InkRows &upper, const InkRows &lower, std::int64_t pitch);

} // namespace qrvx::text
