// A glyph's rows count only where they have ink in the columns drawn: a font's boxes may hold
// blank rows, and a cut line draws part of a glyph or none of it. A stack moves into a margin if
// need be, since ink lost is worse than a margin narrowed.
#include "ink_rows.hpp"

#include <algorithm>

namespace qrvx::text {
namespace {

bool rowInked(const Glyph &glyph, std::uint32_t row, std::int64_t left, const Columns &columns) {
    for (std::uint32_t x = 0; x < glyph.width; ++x) {
        if (glyph.pixels[std::size_t{row} * glyph.width + x] != 0 && columns.contains(left + x)) {
            return true;
        }
    }
    return false;
}

// "2 rows below the sign", "1 row above and 2 rows below the sign".
std::string rowsOutside(std::int64_t above, std::int64_t below) {
    const auto rows = [](std::int64_t count) {
        return std::to_string(count) + (count == 1 ? " row" : " rows");
    };
    if (above > 0 && below > 0) {
        return rows(above) + " above and " + rows(below) + " below the sign";
    }
    return above > 0 ? rows(above) + " above the sign" : rows(below) + " below the sign";
}

} // namespace

InkRows inkRows(std::u32string_view run, const Font &font, const Setting &setting, std::int64_t x,
                const Columns &columns) {
    InkRows ink;
    forEachGlyph(run, font, setting, x,
                 [&](const Glyph &glyph, std::int64_t left, std::int64_t top) {
                     for (std::uint32_t row = 0; row < glyph.rows; ++row) {
                         if (rowInked(glyph, row, left, columns)) {
                             ink.add({top + row, top + row + 1});
                         }
                     }
                 });
    return ink;
}

std::error_code keepInkInside(std::span<const StackedText> stack, const Layout &layout,
                              Report &report, std::string *reason) {
    InkRows all;
    for (const StackedText &text : stack) {
        all.add(text.ink.shifted(*text.baseline));
    }
    const std::int64_t height = layout.height;
    if (all.rows() <= height) {
        const std::int64_t move =
            all.empty() ? 0 : std::max(-all.top, std::min<std::int64_t>(0, height - all.bottom));
        for (const StackedText &text : stack) {
            *text.baseline += move;
        }
        return {};
    }
    for (const StackedText &text : stack) {
        const InkRows ink = text.ink.shifted(*text.baseline);
        if (ink.empty() || (ink.top >= 0 && ink.bottom <= height)) {
            continue;
        }
        const std::string outside = rowsOutside(std::max<std::int64_t>(0, -ink.top),
                                                std::max<std::int64_t>(0, ink.bottom - height));
        if (layout.overflow == Overflow::refuse) {
            return refuse(reason, Errc::doesNotFit,
                          text.what + " needs " + outside + " for its ink; " +
                              (stack.size() == 1 ? "its" : "the lines'") + " ink takes " +
                              std::to_string(all.rows()) + " rows, the sign has " +
                              std::to_string(height));
        }
        if (std::ranges::find(*text.steps, FitStep::clipped) == text.steps->end()) {
            text.steps->push_back(FitStep::clipped);
        }
        report.warnings.push_back(text.what + " cut: its ink needs " + outside);
    }
    return {};
}

} // namespace qrvx::text
