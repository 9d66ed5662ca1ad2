// The rows a run's ink takes about its baseline, and a stack of texts placed by their capitals
// moved so that their ink stays inside the sign.
#pragma once

#include "geometry.hpp"
#include "measure.hpp"

#include <span>
#include <string>
#include <vector>

namespace qrvx::text {

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
