// Layout: text and options in, a sign's pixel values and a report out, nothing else touched.
//
// Horizontally, the reserve (if any) is taken off its side of the sign; marginX columns are
// left empty at both ends of what remains, the text area. The route number sits at the start or
// end of the text area, `gap` columns from the text's room, which is the rest of the area. A
// line is aligned inside its room. A line clipped under Overflow::clip starts at its room's
// start, as if aligned left, so that its beginning is what shows; it is cut at the room's end.
//
// Vertically, each line's box is its font's capital height; the boxes are stacked lineGap rows
// apart and the stack is aligned in the rows between the marginY rows; a line's baseline is the
// row just below its box, so descenders hang into the gap or margin below. The route number is
// centred on the sign's height the same way. Ink that would then fall outside the sign (accents
// above the first line, descenders below the last) moves the stack, or the route number, by the
// fewest rows that keep all its ink inside, into a margin if need be; when no move can, it is
// refused, or cut and reported under Overflow::clip. Ink in the reserve is cut.
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

// A text with the font and setting it is drawn in.
struct SetText {
    CheckedText text;
    std::vector<FitStep> steps;
    const std::vector<Font> *fonts = nullptr;
    Setting setting;
    std::int64_t width = 0;
};

// The route number's first font that draws it and fits: its capitals within the sign's height
// and, when the text area is known, room left for the text beside it and its gap.
Result<SetText> setRoute(const Layout &layout, std::optional<std::int64_t> area,
                         std::string *reason) {
    const RouteOptions &route = *layout.route;
    auto text = checkText(route.text, "the route number", reason);
    if (!text) {
        return text.error();
    }
    std::optional<SetText> drawable;
    for (std::size_t i = 0; i < route.fonts.size(); ++i) {
        if (!drawsAll(route.fonts[i], text->characters, layout)) {
            continue;
        }
        const Setting setting = naturalSetting(route.fonts, i, layout);
        drawable = SetText{
            *text, {}, &route.fonts, setting, runWidth(text->characters, route.fonts[i], setting)};
        if (route.fonts[i].capHeight() <= static_cast<std::int64_t>(layout.height) &&
            (!area || drawable->width + route.gap < *area)) {
            return std::move(*drawable);
        }
    }
    if (!drawable) {
        return missingCharacters(text->characters, route.fonts, layout, "the route number", reason);
    }
    return refuse(reason, Errc::doesNotFit,
                  "the route number \"" + text->utf8 + "\" needs " +
                      std::to_string(drawable->width) + " columns and a gap of " +
                      std::to_string(route.gap) + " beside the text, and " +
                      std::to_string((*drawable->fonts)[drawable->setting.font].capHeight()) +
                      " rows; the sign has " + std::to_string(area.value_or(0)) +
                      " columns for text and " + std::to_string(layout.height) + " rows");
}

// The sign's width: the one given, or what the lines take in their first fonts.
Result<std::int64_t> signWidth(const Layout &layout, const std::vector<CheckedText> &texts,
                               const std::optional<SetText> &route, std::string *reason) {
    if (layout.width) {
        return std::int64_t{*layout.width};
    }
    std::int64_t widest = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::vector<Font> &fonts = layout.lines[i].fonts;
        const auto font = std::ranges::find_if(
            fonts, [&](const Font &f) { return drawsAll(f, texts[i].characters, layout); });
        if (font == fonts.end()) {
            return missingCharacters(texts[i].characters, fonts, layout,
                                     "line " + std::to_string(i + 1), reason);
        }
        const auto index = static_cast<std::size_t>(font - fonts.begin());
        widest = std::max(
            widest, runWidth(texts[i].characters, *font, naturalSetting(fonts, index, layout)));
    }
    const std::int64_t width = widest + 2 * std::int64_t{layout.marginX} + reserveColumns(layout) +
                               (route ? route->width + layout.route->gap : 0);
    if (width > maxSide) {
        return refuse(reason, Errc::doesNotFit,
                      "the text needs a sign of " + std::to_string(width) + " columns, more than " +
                          std::to_string(maxSide));
    }
    return width;
}

// A line as it is drawn: its text and setting, where it starts and its baseline.
struct PlacedLine {
    SetText set;
    std::uint8_t colour = 1;
    Align align = Align::centre;
    std::int64_t x = 0;
    std::int64_t baseline = 0;
    Columns room;
    bool clipped = false;
};

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

const Font &fontOf(const SetText &set) {
    return (*set.fonts)[set.setting.font];
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

// Places the lines across the room and down the sign; the stack's rows when they do not fit.
std::optional<std::string> placeLines(std::vector<PlacedLine> &lines, const Layout &layout) {
    std::int64_t stack = layout.lineGap * (static_cast<std::int64_t>(lines.size()) - 1);
    for (const PlacedLine &line : lines) {
        stack += fontOf(line.set).capHeight();
    }
    const std::int64_t rows = std::int64_t{layout.height} - 2 * std::int64_t{layout.marginY};
    std::int64_t top = stackTop(layout.verticalAlign, layout.marginY, rows, stack);
    for (PlacedLine &line : lines) {
        line.x = line.clipped ? line.room.begin : alignedX(line.align, line.room, line.set.width);
        top += fontOf(line.set).capHeight();
        line.baseline = top;
        top += layout.lineGap;
    }
    if (stack > rows) {
        return "the lines need " + std::to_string(stack) + " rows, the sign has " +
               std::to_string(rows);
    }
    return std::nullopt;
}

// The columns a line draws into: its room when it is cut there, else the sign outside the reserve.
Columns drawnColumns(const PlacedLine &line, const Columns &free) {
    return line.clipped ? line.room : free;
}

StackedText stacked(std::string what, SetText &set, std::int64_t x, std::int64_t &baseline,
                    const Columns &columns) {
    return {std::move(what), inkRows(set.text.characters, fontOf(set), set.setting, x, columns),
            &baseline, &set.steps};
}

// Places the lines, then the route number, down the sign with their ink inside it (refused,
// or cut and reported); the route number's baseline.
Result<std::int64_t> placeDown(std::vector<PlacedLine> &lines, SetText *route, std::int64_t routeX,
                               const Columns &free, const Layout &layout, Report &report,
                               std::string *reason) {
    if (const auto overflow = placeLines(lines, layout)) {
        if (layout.overflow == Overflow::refuse) {
            return refuse(reason, Errc::doesNotFit, *overflow);
        }
        report.warnings.push_back(*overflow + ": rows cut");
    }
    std::vector<StackedText> stack;
    for (PlacedLine &line : lines) {
        stack.push_back(stacked("line " + std::to_string(stack.size() + 1) + " (\"" +
                                    line.set.text.utf8 + "\")",
                                line.set, line.x, line.baseline, drawnColumns(line, free)));
    }
    if (const std::error_code error = keepInkInside(stack, layout, report, reason)) {
        return error;
    }
    if (!route) {
        return 0;
    }
    const std::int64_t capHeight = fontOf(*route).capHeight();
    std::int64_t baseline = floorHalf(std::int64_t{layout.height} - capHeight) + capHeight;
    const StackedText alone =
        stacked("the route number \"" + route->text.utf8 + "\"", *route, routeX, baseline, free);
    if (const std::error_code error = keepInkInside({&alone, 1}, layout, report, reason)) {
        return error;
    }
    return baseline;
}

// Fits every line into room; the lines as they will be drawn, or why they do not fit.
Result<std::vector<PlacedLine>> fitLines(const Layout &layout, std::vector<CheckedText> &texts,
                                         const Columns &room, Report &report, std::string *reason) {
    std::vector<PlacedLine> placed;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const LineOptions &options = layout.lines[i];
        auto fit = fitLine(layout, i, texts[i].characters, room.width(), reason);
        if (!fit) {
            return fit.error();
        }
        const std::string what = "line " + std::to_string(i + 1) + " (\"" + texts[i].utf8 + "\")";
        if (!fit->fits && layout.overflow == Overflow::refuse) {
            return refuse(reason, Errc::doesNotFit,
                          what + " needs " + std::to_string(fit->lines.front().width) +
                              " columns, has " + std::to_string(room.width()));
        }
        for (FittedLine &line : fit->lines) {
            PlacedLine place{{{utf8Of(line.characters), line.characters},
                              std::move(line.steps),
                              &options.fonts,
                              line.setting,
                              line.width},
                             options.colour,
                             options.align,
                             0,
                             0,
                             room,
                             !fit->fits};
            if (place.clipped) {
                place.set.steps.push_back(FitStep::clipped);
                report.warnings.push_back(what + " cut at " + std::to_string(room.width()) +
                                          " of its " + std::to_string(line.width) + " columns");
            }
            placed.push_back(std::move(place));
        }
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

// Draws set with its pen starting at x on baseline, only into columns.
void drawText(Canvas &canvas, const SetText &set, std::int64_t x, std::int64_t baseline,
              std::uint8_t colour, const Columns &columns) {
    forEachGlyph(set.text.characters, fontOf(set), set.setting, x,
                 [&](const Glyph &glyph, std::int64_t left, std::int64_t top) {
                     drawGlyph(canvas, glyph, left, baseline + top, colour, columns);
                 });
}

LineReport reportOf(const SetText &set, std::int64_t width, std::int64_t available, std::int64_t x,
                    std::int64_t baseline) {
    return {set.text.utf8,
            fontOf(set).name(),
            set.setting.spacing,
            set.setting.spaceWidth,
            set.steps,
            static_cast<std::uint32_t>(std::max<std::int64_t>(width, 0)),
            static_cast<std::uint32_t>(available),
            static_cast<std::int32_t>(x),
            static_cast<std::int32_t>(baseline)};
}

Result<Sign> composeSign(const Layout &layout, std::string *reason) {
    if (const std::error_code error = checkLayout(layout, reason)) {
        return error;
    }
    std::vector<CheckedText> texts;
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        auto text = checkText(layout.lines[i].text, "line " + std::to_string(i + 1), reason);
        if (!text) {
            return text.error();
        }
        texts.push_back(std::move(*text));
    }
    const std::optional<std::int64_t> givenArea =
        layout.width ? std::optional(std::int64_t{*layout.width} - reserveColumns(layout) -
                                     2 * std::int64_t{layout.marginX})
                     : std::nullopt;
    if (givenArea && *givenArea < 1) {
        return refuse(reason, Errc::invalidLayout,
                      "the reserve and margins leave no columns for text");
    }
    std::optional<SetText> route;
    if (layout.route) {
        auto set = setRoute(layout, givenArea, reason);
        if (!set) {
            return set.error();
        }
        route = std::move(*set);
    }
    const auto width = signWidth(layout, texts, route, reason);
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
    std::int64_t routeX = 0;
    if (route) {
        const std::int64_t taken = route->width + layout.route->gap;
        if (layout.route->side == Side::start) {
            routeX = area.begin;
            room.begin += taken;
        } else {
            routeX = area.end - route->width;
            room.end -= taken;
        }
    }

    Sign sign{static_cast<std::uint32_t>(*width), layout.height, {}, std::nullopt, {}};
    if (reserveColumns(layout) > 0) {
        sign.reserve = layout.reserve;
    }
    auto lines = fitLines(layout, texts, room, sign.report, reason);
    if (!lines) {
        return lines.error();
    }
    const auto routeBaseline =
        placeDown(*lines, route ? &*route : nullptr, routeX, free, layout, sign.report, reason);
    if (!routeBaseline) {
        return routeBaseline.error();
    }
    sign.values.assign(static_cast<std::size_t>(*width) * layout.height, 0);
    Canvas canvas{*width, layout.height, sign.values};
    for (const PlacedLine &line : *lines) {
        drawText(canvas, line.set, line.x, line.baseline, line.colour, drawnColumns(line, free));
        sign.report.lines.push_back(reportOf(line.set, std::min(line.set.width, line.room.width()),
                                             line.room.width(), line.x, line.baseline));
    }
    if (route) {
        drawText(canvas, *route, routeX, *routeBaseline, layout.route->colour, free);
        sign.report.route = reportOf(*route, route->width, area.width(), routeX, *routeBaseline);
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
