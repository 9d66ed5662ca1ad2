// The rows a run's ink takes about its baseline, and a stack of texts placed by their capitals
// moved so that their ink stays inside the sign.
#pragma once

#include "line_fitting.hpp"

#include <algorithm>
#include <limits>
#include <span>

namespace qrvx::text {

// Columns [begin, end).
struct Columns {
    std::int64_t begin = 0;
    std::int64_t end = 0;

    std::int64_t width() const { return end - begin; }
    bool contains(std::int64_t x) const { return x >= begin && x < end; }
};

constexpr Columns everyColumn{std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max()};

// Rows [top, bottom), counted from a baseline at row 0 (negative above it); none when top is
// not above bottom.
struct InkRows {
    std::int64_t top = std::numeric_limits<std::int64_t>::max();
    std::int64_t bottom = std::numeric_limits<std::int64_t>::min();

    bool empty() const { return top >= bottom; }
    std::int64_t rows() const { return empty() ? 0 : bottom - top; }
    InkRows shifted(std::int64_t by) const {
        return empty() ? *this : InkRows{top + by, bottom + by};
    }
    void add(const InkRows &other) {
        top = std::min(top, other.top);
        bottom = std::max(bottom, other.bottom);
    }
};

// The rows of what run draws in columns, set under setting with its pen from x.
InkRows inkRows(std::u32string_view run, const Font &font, const Setting &setting, std::int64_t x,
                const Columns &columns);

// A text of a stack placed by its capitals: its ink about its baseline, which moving the stack
// changes.
struct StackedText {
    std::string what; // line 2 ("via Market Sq")
    InkRows ink;
    std::int64_t *baseline;
    std::vector<FitStep> *steps; // takes FitStep::clipped when its ink is cut
};

// Moves the stack by the fewest rows that keep all its ink inside the sign; when no move can,
// it stays where its capitals put it, and what would fall outside is refused (Errc::doesNotFit)
// or, under Overflow::clip, cut and reported in report's warnings.
std::error_code keepInkInside(std::span<const StackedText> stack, const Layout &layout,
                              Report &report, std::string *reason);

} // namespace qrvx::text
