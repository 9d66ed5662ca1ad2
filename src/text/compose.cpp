// Layout: text and options in, a sign's pixel values and a report out, nothing else touched.
//
// Horizontally, the reserve (if any) is taken off its side of the sign; marginX columns are
// left empty at both ends of what remains, the text area. The route number sits at the start or
// end of the text area, `gap` columns from the text's room, which is the rest of the area. A
// line is aligned inside its room by its ink and advances together. A line clipped under
// Overflow::clip starts at its room's start, as if aligned left, so that its beginning is what
// shows; it is cut at the room's end.
//
// Vertically, lines are stacked by their capitals, lineGap rows apart and further where their
// ink would otherwise touch; the stack is aligned in the rows between the marginY rows, and a
// line's baseline is the row just below its capitals, so descenders hang into the gap or margin
// below. The route number is centred on the sign's height the same way. Ink that would then
// fall outside the sign (accents above the first line, descenders below the last) moves the
// stack, or the route number, by the fewest rows that keep all its ink inside, into a margin if
// need be; when no move can, it is cut and reported (Overflow::clip; fitting refuses such a
// stack otherwise). Ink in the reserve is cut.
#include "fitting.hpp"
#include "ink_rows.hpp"

#include <algorithm>
#include <new>

namespace qrvx::text {
namespace {

constexpr std::int64_t maxSide = 65535;
constexpr std::uint64_t maxSignPixels = std::uint64_t{1} << 24;

std::int64_t reserveColumns(const Layout &layout) {
    return layout.reserve ? layout.reserve->columns : 0;
}

// The sign's columns outside the reserve.
Columns freeColumns(const Layout &layout, std::int64_t width) {
    const std::int64_t reserved = reserveColumns(layout);
    if (layout.reserve && layout.reserve->side == Side::start) {
        return {reserved, width};
    }
    return {0, width - reserved};
}

// A line as it is drawn: what fitting chose, where its pen starts and its baseline.
struct PlacedLine {
    FittedLine fitted;
    const std::vector<Font> *fonts = nullptr;
    std::uint8_t colour = 1;
    Align align = Align::centre;
    std::int64_t x = 0;
    std::int64_t baseline = 0;
    Columns room;
    bool clipped = false;

    const Font &font() const { return (*fonts)[fitted.setting.font]; }
};

// The route number's first font from `first` on whose ink fits the sign's rows and, when the
// text area is known, that leaves room for text beside it and its gap.
Result<PlacedLine> setRoute(const Layout &layout, std::optional<std::int64_t> area,
                            std::size_t first, std::string *reason) {
    const RouteOptions &route = *layout.route;
    auto text = checkText(route.text, "the route number", reason);
    if (!text) {
        return text.error();
    }
    std::optional<PlacedLine> closest;
    for (std::size_t i = first; i < route.fonts.size(); ++i) {
        const Font &font = route.fonts[i];
        const MeasuredRun run(text->characters, font);
        if (!drawable(run, font, layout)) {
            continue;
        }
        Setting setting = ownSetting(route.fonts, i, layout);
        setting.spacing =
            std::max(setting.spacing, run.leastSpacing(run.whole(), setting.spaceWidth));
        PlacedLine set{{text->characters, 0, setting, run.extent(run.whole(), setting),
                        faceSteps(route.fonts, i), run.inkRows(run.whole())},
                       &route.fonts,
                       route.colour,
                       Align::left,
                       0,
                       0,
                       {},
                       false};
        const bool rowsFit = set.fitted.ink.rows() <= std::int64_t{layout.height} &&
                             font.capHeight() <= std::int64_t{layout.height};
        const bool columnsFit = !area || set.fitted.extent.width() + route.gap < *area;
        if (rowsFit && columnsFit) {
            return set;
        }
        if (!closest || (rowsFit && set.fitted.extent.width() < closest->fitted.extent.width())) {
            closest = std::move(set);
        }
    }
    if (!closest) {
        return missingCharacters(text->characters, route.fonts, layout, "the route number", reason);
    }
    return refuse(reason, Errc::doesNotFit,
                  "the route number \"" + text->utf8 + "\" needs " +
                      std::to_string(closest->fitted.extent.width()) + " columns in " +
                      closest->font().name() + " and a gap of " + std::to_string(route.gap) +
                      " beside the text, and " + std::to_string(closest->fitted.ink.rows()) +
                      " rows; the sign has " + std::to_string(area.value_or(0)) +
                      " columns for text and " + std::to_string(layout.height) + " rows");
}

std::int64_t floorHalf(std::int64_t value) {
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

// The row of the top of a stack of `stack` rows aligned in `rows` rows after `margin`.
std::int64_t stackTop(VerticalAlign align, std::int64_t margin, std::int64_t rows,
                      std::int64_t stack) {
    switch (align) {
    case VerticalAlign::top:
        return margin;
    case VerticalAlign::bottom:
        return margin + rows - stack;
    default:
        return margin + floorHalf(rows - stack);
    }
}

std::int64_t alignedX(Align align, const Columns &room, std::int64_t width) {
    switch (align) {
    case Align::left:
        return room.begin;
    case Align::right:
        return room.end - width;
    default:
        return room.begin + floorHalf(room.width() - width);
    }
}

// Places the lines across their room and down the sign by their capitals, the stack's rows
// when they do not fit.
std::optional<std::string> placeLines(std::vector<PlacedLine> &lines, const Layout &layout) {
    std::vector<LineRows> rows;
    for (const PlacedLine &line : lines) {
        rows.push_back({line.font().capHeight(), line.fitted.ink});
    }
    const std::vector<std::int64_t> baselines = stackBaselines(rows, layout.lineGap);
    const std::int64_t stack = baselines.back();
    const std::int64_t between = std::int64_t{layout.height} - 2 * std::int64_t{layout.marginY};
    const std::int64_t top = stackTop(layout.verticalAlign, layout.marginY, between, stack);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PlacedLine &line = lines[i];
        const Columns &extent = line.fitted.extent;
        line.x =
            (line.clipped ? line.room.begin : alignedX(line.align, line.room, extent.width())) -
            extent.begin;
        line.baseline = top + baselines[i];
    }
    if (stack > between) {
        return "the lines need " + std::to_string(stack) + " rows, the sign has " +
               std::to_string(between);
    }
    return std::nullopt;
}

// The columns a line draws into: its room when it is cut there, else the sign outside the reserve.
Columns drawnColumns(const PlacedLine &line, const Columns &free) {
    return line.clipped ? line.room : free;
}

// A line's ink as measured, unless it is cut, when only what is drawn counts.
StackedText stacked(std::string what, PlacedLine &line, const Columns &columns) {
    const InkRows ink = line.clipped ? inkRows(line.fitted.characters, line.font(),
                                               line.fitted.setting, line.x, columns)
                                     : line.fitted.ink;
    return {std::move(what), ink, &line.baseline, &line.fitted.steps};
}

std::string lineName(std::size_t index, const PlacedLine &line) {
    return "line " + std::to_string(index + 1) + " (\"" + utf8Of(line.fitted.characters) + "\")";
}

// Places the lines, then the route number, down the sign with their ink inside it (refused,
// or cut and reported).
std::error_code placeDown(std::vector<PlacedLine> &lines, PlacedLine *route, const Columns &free,
                          const Layout &layout, Report &report, std::string *reason) {
    if (const auto overflow = placeLines(lines, layout)) {
        if (layout.overflow == Overflow::refuse) {
            return refuse(reason, Errc::doesNotFit, *overflow);
        }
        report.warnings.push_back(*overflow + ": rows cut");
    }
    std::vector<StackedText> stack;
    for (PlacedLine &line : lines) {
        stack.push_back(stacked(lineName(stack.size(), line), line, drawnColumns(line, free)));
    }
    if (const std::error_code error = keepInkInside(stack, layout, report, reason)) {
        return error;
    }
    if (!route) {
        return {};
    }
    const std::int64_t capHeight = route->font().capHeight();
    route->baseline = floorHalf(std::int64_t{layout.height} - capHeight) + capHeight;
    const StackedText alone =
        stacked("the route number \"" + utf8Of(route->fitted.characters) + "\"", *route, free);
    return keepInkInside({&alone, 1}, layout, report, reason);
}

// The lines as fitting chose them, each in its room; those wider than it are cut (clip only).
std::vector<PlacedLine> roomedLines(Fit &fit, const Layout &layout, const Columns &room,
                                    Report &report) {
    std::vector<PlacedLine> placed;
    for (FittedLine &line : fit.lines) {
        const LineOptions &options = layout.lines[line.options];
        PlacedLine place{
            std::move(line), &options.fonts, options.colour, options.align, 0, 0, room, false};
        const std::int64_t width = place.fitted.extent.width();
        if (width > room.width()) {
            place.clipped = true;
            place.fitted.steps.push_back(FitStep::clipped);
            report.warnings.push_back(lineName(placed.size(), place) + " cut at " +
                                      std::to_string(room.width()) + " of its " +
                                      std::to_string(width) + " columns");
        }
        placed.push_back(std::move(place));
    }
    return placed;
}

struct Canvas {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> &values;
};

void drawGlyph(Canvas &canvas, const Glyph &glyph, std::int64_t left, std::int64_t top,
               std::uint8_t colour, const Columns &columns) {
    for (std::uint32_t y = 0; y < glyph.rows; ++y) {
        const std::int64_t row = top + y;
        if (row < 0 || row >= canvas.height) {
            continue;
        }
        for (std::uint32_t x = 0; x < glyph.width; ++x) {
            const std::int64_t column = left + x;
            if (glyph.pixels[std::size_t{y} * glyph.width + x] != 0 && columns.contains(column)) {
                canvas.values[static_cast<std::size_t>(row * canvas.width + column)] = colour;
            }
        }
    }
}

// Draws a line with its pen starting at its x on its baseline, only into columns.
void drawLine(Canvas &canvas, const PlacedLine &line, const Columns &columns) {
    forEachGlyph(line.fitted.characters, line.font(), line.fitted.setting, line.x,
                 [&](const Glyph &glyph, std::int64_t left, std::int64_t top) {
                     drawGlyph(canvas, glyph, left, line.baseline + top, line.colour, columns);
                 });
}

LineReport reportOf(const PlacedLine &line, std::int64_t available) {
    const Setting &setting = line.fitted.setting;
    const std::int64_t width = std::min(line.fitted.extent.width(), available);
    std::optional<std::uint32_t> gap;
    const MeasuredRun run(line.fitted.characters, line.font());
    if (const auto letterGap = run.letterGap(run.whole(), setting)) {
        gap = static_cast<std::uint32_t>(std::max<std::int64_t>(*letterGap, 0));
    }
    return {utf8Of(line.fitted.characters),
            line.font().name(),
            setting.spacing,
            setting.spaceWidth,
            line.fitted.steps,
            static_cast<std::uint32_t>(std::max<std::int64_t>(width, 0)),
            static_cast<std::uint32_t>(available),
            static_cast<std::int32_t>(line.x),
            static_cast<std::int32_t>(line.baseline),
            gap,
            std::nullopt};
}

// The blank rows between each line's ink and the next one's, as placed.
void reportBlankRows(Report &report, const std::vector<PlacedLine> &lines) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const InkRows &upper = lines[i].fitted.ink;
        const InkRows &lower = lines[i + 1].fitted.ink;
        if (!upper.empty() && !lower.empty()) {
            const std::int64_t rows =
                blankRowsBetween(upper, lower, lines[i + 1].baseline - lines[i].baseline);
            report.lines[i].blankRowsBelow =
                static_cast<std::uint32_t>(std::max<std::int64_t>(rows, 0));
        }
    }
}

Result<std::vector<CheckedText>> checkedTexts(std::span<const std::string_view> texts,
                                              std::string_view what, std::string *reason) {
    std::vector<CheckedText> checked;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto text = checkText(texts[i], std::string(what) + std::to_string(i + 1), reason);
        if (!text) {
            return text.error();
        }
        checked.push_back(std::move(*text));
    }
    return checked;
}

// The lines fitted beside the route number in its first face that leaves room, else in a later
// one (a condensed route face leaves more room for the text), else refused as the text in the
// last face tried.
Result<Fit> fitBesideRoute(const Layout &layout, const std::vector<CheckedText> &full,
                           const std::vector<CheckedText> &shortWording,
                           std::optional<std::int64_t> area, std::optional<PlacedLine> &route,
                           std::string *reason) {
    std::string textRefusal;
    for (std::size_t first = 0;;) {
        if (layout.route) {
            std::string routeReason;
            auto set = setRoute(layout, area, first, &routeReason);
            if (!set) {
                return textRefusal.empty() ? refuse(reason, set.error(), routeReason)
                                           : refuse(reason, Errc::doesNotFit, textRefusal);
            }
            route = std::move(*set);
            first = route->fitted.setting.font + 1;
        }
        const std::optional<std::int64_t> room =
            area ? std::optional(*area -
                                 (route ? route->fitted.extent.width() + layout.route->gap : 0))
                 : std::nullopt;
        auto fit = fitLines(layout, full, shortWording, room, &textRefusal);
        if (fit || fit.error() != Errc::doesNotFit || !layout.route) {
            if (!fit) {
                refuse(reason, fit.error(), textRefusal);
            }
            return fit;
        }
    }
}

// The sign's width: the one given, or what the chosen lines take beside the route number.
Result<std::int64_t> signWidth(const Layout &layout, const Fit &fit,
                               const std::optional<PlacedLine> &route, std::string *reason) {
    if (layout.width) {
        return std::int64_t{*layout.width};
    }
    const std::int64_t width = widestOf(fit.lines) + 2 * std::int64_t{layout.marginX} +
                               reserveColumns(layout) +
                               (route ? route->fitted.extent.width() + layout.route->gap : 0);
    if (width > maxSide) {
        return refuse(reason, Errc::doesNotFit,
                      "the text needs a sign of " + std::to_string(width) + " columns, more than " +
                          std::to_string(maxSide));
    }
    return width;
}

Result<Sign> composeSign(const Layout &layout, std::string *reason) {
    if (const std::error_code error = checkLayout(layout, reason)) {
        return error;
    }
    std::vector<std::string_view> fullTexts;
    for (const LineOptions &line : layout.lines) {
        fullTexts.push_back(line.text);
    }
    const auto full = checkedTexts(fullTexts, "line ", reason);
    if (!full) {
        return full.error();
    }
    const auto shortWording = checkedTexts(layout.shortLines, "short line ", reason);
    if (!shortWording) {
        return shortWording.error();
    }
    const std::optional<std::int64_t> givenArea =
        layout.width ? std::optional(std::int64_t{*layout.width} - reserveColumns(layout) -
                                     2 * std::int64_t{layout.marginX})
                     : std::nullopt;
    if (givenArea && *givenArea < 1) {
        return refuse(reason, Errc::invalidLayout,
                      "the reserve and margins leave no columns for text");
    }
    std::optional<PlacedLine> route;
    auto fit = fitBesideRoute(layout, *full, *shortWording, givenArea, route, reason);
    if (!fit) {
        return fit.error();
    }
    const auto width = signWidth(layout, *fit, route, reason);
    if (!width) {
        return width.error();
    }
    if (*width < 1) {
        return refuse(reason, Errc::invalidLayout, "the sign would have no columns");
    }
    if (static_cast<std::uint64_t>(*width) * layout.height > maxSignPixels) {
        return refuse(reason, Errc::invalidLayout,
                      "a sign of " + std::to_string(*width) + " x " +
                          std::to_string(layout.height) + " has more than 16 Mi pixels");
    }

    const Columns free = freeColumns(layout, *width);
    const Columns area{free.begin + layout.marginX, free.end - layout.marginX};
    Columns room = area;
    if (route) {
        const std::int64_t taken = route->fitted.extent.width() + layout.route->gap;
        if (layout.route->side == Side::start) {
            route->x = area.begin - route->fitted.extent.begin;
            room.begin += taken;
        } else {
            route->x = area.end - route->fitted.extent.end;
            room.end -= taken;
        }
    }

    Sign sign{static_cast<std::uint32_t>(*width), layout.height, {}, std::nullopt, {}};
    if (reserveColumns(layout) > 0) {
        sign.reserve = layout.reserve;
    }
    sign.report.abbreviations = fit->abbreviations;
    sign.report.candidatesMeasured = fit->measured;
    std::vector<PlacedLine> lines = roomedLines(*fit, layout, room, sign.report);
    if (const std::error_code error =
            placeDown(lines, route ? &*route : nullptr, free, layout, sign.report, reason)) {
        return error;
    }
    sign.values.assign(static_cast<std::size_t>(*width) * layout.height, 0);
    Canvas canvas{*width, layout.height, sign.values};
    for (const PlacedLine &line : lines) {
        drawLine(canvas, line, drawnColumns(line, free));
        sign.report.lines.push_back(reportOf(line, line.room.width()));
    }
    reportBlankRows(sign.report, lines);
    if (route) {
        drawLine(canvas, *route, free);
        sign.report.route = reportOf(*route, area.width());
    }
    return sign;
}

} // namespace

Result<Sign> compose(const Layout &layout, std::string *reason) noexcept {
    try {
        return composeSign(layout, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::text
