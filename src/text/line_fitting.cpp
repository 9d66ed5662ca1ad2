// Fitting, in its order: the line's later fonts, then less letter spacing, then narrower spaces
// (each one column at a time, so the widest setting that fits is kept), then, for a lone line,
// a break at the space that best balances the halves, in a font whose two lines keep their ink
// within the sign's height. A step is recorded once each time it changes the setting: nextFont
// once for each change of font.
#include "ink_rows.hpp"

#include <algorithm>
#include <array>

namespace qrvx::text {
namespace {

using Runs = std::span<const std::u32string>;

// A run's columns in parts: the advances of its glyphs, its spaces and the gaps between its
// characters.
struct RunShape {
    std::int64_t advances = 0;
    std::int64_t spaces = 0;
    std::int64_t gaps = 0;

    std::int64_t width(const Setting &setting) const {
        return advances + spaces * setting.spaceWidth + gaps * setting.spacing;
    }
};

std::optional<std::uint32_t> ownSpaceWidth(const Font &font) {
    for (const char32_t space : {U' ', U'\u00A0'}) {
        if (const Glyph *glyph = font.glyph(space)) {
            return static_cast<std::uint32_t>(glyph->advance);
        }
    }
    return std::nullopt;
}

bool drawsCharacter(const Font &font, char32_t character, const Layout &layout) {
    if (isSpace(character)) {
        return layout.spaceWidth || ownSpaceWidth(font);
    }
    return font.glyph(character) != nullptr;
}

RunShape shapeOf(std::u32string_view run, const Font &font) {
    RunShape shape;
    shape.gaps = run.empty() ? 0 : static_cast<std::int64_t>(run.size()) - 1;
    for (const char32_t character : run) {
        if (isSpace(character)) {
            ++shape.spaces;
        } else if (const Glyph *glyph = font.glyph(character)) {
            shape.advances += glyph->advance;
        }
    }
    return shape;
}

std::vector<RunShape> shapesOf(Runs runs, const Font &font) {
    std::vector<RunShape> shapes;
    for (const std::u32string &run : runs) {
        shapes.push_back(shapeOf(run, font));
    }
    return shapes;
}

std::int64_t widest(const std::vector<RunShape> &shapes, const Setting &setting) {
    std::int64_t width = 0;
    for (const RunShape &shape : shapes) {
        width = std::max(width, shape.width(setting));
    }
    return width;
}

// The largest value in [low, high] whose width fits room; low when none does. Widths grow with
// the value.
template <class WidthAt>
std::uint32_t largestFitting(std::uint32_t low, std::uint32_t high, std::int64_t room,
                             WidthAt widthAt) {
    while (low < high) {
        const std::uint32_t middle = low + (high - low + 1) / 2;
        if (widthAt(middle) <= room) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

// Runs set together (a line, or the two halves of a broken one): they share one setting, and
// the widest decides.
struct GroupFit {
    Setting setting;
    std::vector<FitStep> steps;
    std::int64_t width = 0;
};

// Steps 2 and 3 with the last font: less spacing, then narrower spaces.
void narrow(GroupFit &fit, const std::vector<RunShape> &shapes, std::int64_t room) {
    Setting &setting = fit.setting;
    const auto has = [&](std::int64_t RunShape::*part) {
        return std::ranges::any_of(shapes, [&](const RunShape &shape) { return shape.*part > 0; });
    };
    if (fit.width > room && setting.spacing > 0 && has(&RunShape::gaps)) {
        setting.spacing = largestFitting(0, setting.spacing - 1, room, [&](std::uint32_t value) {
            return widest(shapes, {setting.font, value, setting.spaceWidth});
        });
        fit.steps.push_back(FitStep::lessSpacing);
        fit.width = widest(shapes, setting);
    }
    if (fit.width > room && setting.spaceWidth > 1 && has(&RunShape::spaces)) {
        setting.spaceWidth =
            largestFitting(1, setting.spaceWidth - 1, room, [&](std::uint32_t value) {
                return widest(shapes, {setting.font, setting.spacing, value});
            });
        fit.steps.push_back(FitStep::narrowerSpaces);
        fit.width = widest(shapes, setting);
    }
}

// Steps 1 to 3 with the fonts from `first` on that draw every run and that `usable` allows;
// none when there is no such font.
template <class Usable>
std::optional<GroupFit> fitGroup(Runs runs, const Layout &layout, const std::vector<Font> &fonts,
                                 std::size_t first, std::int64_t room, Usable usable) {
    std::optional<GroupFit> fit;
    std::vector<RunShape> shapes;
    for (std::size_t i = first; i < fonts.size(); ++i) {
        if (!usable(fonts[i]) || !std::ranges::all_of(runs, [&](const std::u32string &run) {
                return drawsAll(fonts[i], run, layout);
            })) {
            continue;
        }
        std::vector<FitStep> steps = fit ? fit->steps : std::vector<FitStep>();
        if (i != (fit ? fit->setting.font : first)) {
            steps.push_back(FitStep::nextFont);
        }
        shapes = shapesOf(runs, fonts[i]);
        const Setting setting = naturalSetting(fonts, i, layout);
        fit = GroupFit{setting, std::move(steps), widest(shapes, setting)};
        if (fit->width <= room) {
            return fit;
        }
    }
    if (fit) {
        narrow(*fit, shapes, room);
    }
    return fit;
}

// The halves of text at the run of spaces that makes the wider half narrowest (the first such
// one); none when text has no space between characters.
std::optional<std::array<std::u32string, 2>>
balancedHalves(const std::u32string &text, const Font &font, const Setting &setting) {
    std::vector<std::int64_t> before(text.size() + 1, 0); // advances of the characters before
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph *glyph = font.glyph(text[i]);
        before[i + 1] = before[i] + (isSpace(text[i]) ? std::int64_t{setting.spaceWidth}
                                                      : (glyph ? glyph->advance : 0));
    }
    const auto width = [&](std::size_t begin, std::size_t end) {
        return before[end] - before[begin] +
               static_cast<std::int64_t>(end - begin - 1) * setting.spacing;
    };
    std::optional<std::pair<std::size_t, std::size_t>> best; // end of the left, start of right
    std::int64_t bestWidth = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != U' ' || text[i - 1] == U' ') {
            continue;
        }
        std::size_t next = i;
        while (next < text.size() && text[next] == U' ') {
            ++next;
        }
        if (next == text.size()) {
            break;
        }
        const std::int64_t wider = std::max(width(0, i), width(next, text.size()));
        if (!best || wider < bestWidth) {
            best = {i, next};
            bestWidth = wider;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return std::array{text.substr(0, best->first), text.substr(best->second)};
}

// Whether two lines of font, their capitals lineGap apart, keep the ink of halves within the
// sign's height (placement moves them to where they do).
bool inkFitsHeight(const std::array<std::u32string, 2> &halves, const Font &font,
                   const Layout &layout) {
    InkRows ink = inkRows(halves[0], font, {}, 0, everyColumn);
    ink.add(inkRows(halves[1], font, {}, 0, everyColumn)
                .shifted(std::int64_t{font.capHeight()} + layout.lineGap));
    return ink.rows() <= std::int64_t{layout.height};
}

// Step 4: the lone line in two, set with the fonts whose two lines fit the sign's height, both
// their capitals and their ink.
std::optional<LineFit> breakLine(const Layout &layout, const std::u32string &text,
                                 const GroupFit &whole, std::int64_t room) {
    const std::vector<Font> &fonts = layout.lines.front().fonts;
    const std::int64_t rows = std::int64_t{layout.height} - 2 * std::int64_t{layout.marginY};
    const auto twoLinesFit = [&](const Font &font) {
        return 2 * std::int64_t{font.capHeight()} + layout.lineGap <= rows;
    };
    const auto first = std::ranges::find_if(fonts, twoLinesFit);
    const auto balancing = std::find_if(first, fonts.end(), [&](const Font &font) {
        return twoLinesFit(font) && drawsAll(font, text, layout);
    });
    if (balancing == fonts.end()) {
        return std::nullopt;
    }
    const auto balancingIndex = static_cast<std::size_t>(balancing - fonts.begin());
    const auto halves =
        balancedHalves(text, *balancing, naturalSetting(fonts, balancingIndex, layout));
    if (!halves) {
        return std::nullopt;
    }
    const auto pair =
        fitGroup(*halves, layout, fonts, static_cast<std::size_t>(first - fonts.begin()), room,
                 [&](const Font &font) {
                     return twoLinesFit(font) && inkFitsHeight(*halves, font, layout);
                 });
    if (!pair || pair->width > room) {
        return std::nullopt;
    }
    std::vector<FitStep> steps = whole.steps;
    steps.push_back(FitStep::brokenIntoLines);
    steps.insert(steps.end(), pair->steps.begin(), pair->steps.end());
    LineFit fit{{}, true};
    for (const std::u32string &half : *halves) {
        const Font &font = fonts[pair->setting.font];
        fit.lines.push_back({half, pair->setting, steps, runWidth(half, font, pair->setting)});
    }
    return fit;
}

} // namespace

bool isSpace(char32_t character) {
    return character == U' ' || character == U'\u00A0';
}

std::int64_t runWidth(std::u32string_view run, const Font &font, const Setting &setting) {
    return shapeOf(run, font).width(setting);
}

Setting naturalSetting(const std::vector<Font> &fonts, std::size_t font, const Layout &layout) {
    return {font, layout.spacing.value_or(fonts[font].naturalSpacing()),
            layout.spaceWidth.value_or(ownSpaceWidth(fonts[font]).value_or(0))};
}

bool drawsAll(const Font &font, std::u32string_view run, const Layout &layout) {
    return std::ranges::all_of(
        run, [&](char32_t character) { return drawsCharacter(font, character, layout); });
}

std::error_code missingCharacters(std::u32string_view run, const std::vector<Font> &fonts,
                                  const Layout &layout, std::string_view what,
                                  std::string *reason) {
    std::vector<std::pair<char32_t, std::string>> missing; // a character, the fonts without it
    for (const Font &font : fonts) {
        const auto lacking = std::ranges::find_if(
            run, [&](char32_t character) { return !drawsCharacter(font, character, layout); });
        if (lacking == run.end()) {
            continue;
        }
        const auto entry =
            std::ranges::find(missing, *lacking, &decltype(missing)::value_type::first);
        if (entry != missing.end()) {
            entry->second += ", " + font.name();
        } else {
            missing.emplace_back(*lacking, font.name());
        }
    }
    std::string text(what);
    for (std::size_t i = 0; i < missing.size(); ++i) {
        text += (i == 0 ? ": " : "; ") + characterName(missing[i].first) + " is not in " +
                missing[i].second;
    }
    return refuse(reason, Errc::missingCharacter, text);
}

Result<LineFit> fitLine(const Layout &layout, std::size_t index, std::u32string_view characters,
                        std::int64_t room, std::string *reason) {
    const std::vector<Font> &fonts = layout.lines[index].fonts;
    const std::array<std::u32string, 1> whole{std::u32string(characters)};
    const auto single = fitGroup(whole, layout, fonts, 0, room, [](const Font &) { return true; });
    if (!single) {
        return missingCharacters(characters, fonts, layout, "line " + std::to_string(index + 1),
                                 reason);
    }
    if (single->width > room && layout.lines.size() == 1) {
        if (auto broken = breakLine(layout, whole[0], *single, room)) {
            return std::move(*broken);
        }
    }
    return LineFit{{{whole[0], single->setting, single->steps, single->width}},
                   single->width <= room};
}

} // namespace qrvx::text
