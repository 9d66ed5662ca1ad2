// The choice: among every candidate the layout allows, the first in the written order that keeps
// the legibility rules and fits the room and the rows; when none does, the closest one, which a
// refusal names with what it lacked and Overflow::clip cuts.
#pragma once

#include "candidates.hpp"
#include "legibility.hpp"

#include <optional>
#include <span>
#include <vector>

namespace qrvx::text {

// One line as fitting chose it.
struct FittedLine {
    std::u32string characters;
    std::size_t options = 0; // the layout's line whose fonts, colour and alignment it takes
    Setting setting;         // its font indexes layout.lines[options].fonts
    Columns extent;          // its ink and advances, from its pen's start
    std::vector<FitStep> steps;
    InkRows ink;
};

struct Fit {
    std::vector<FittedLine> lines;
    std::vector<Abbreviation> abbreviations;
    bool fits = true; // false: the closest candidate, wider or taller than the sign
    std::uint32_t measured = 0;
};

// The columns of the widest of lines, 0 for none.
std::int64_t widestOf(std::span<const FittedLine> lines);

// The lines of layout in `room` columns (none: as wide as they like). `full` and `shortWording`
// are the checked texts of layout.lines and layout.shortLines. Errors: Errc::missingCharacter
// when no font draws a line of any wording; Errc::doesNotFit, with the closest candidate, when
// none fits and layout.overflow is Overflow::refuse.
Result<Fit> fitLines(const Layout &layout, const std::vector<CheckedText> &full,
                     const std::vector<CheckedText> &shortWording, std::optional<std::int64_t> room,
                     std::string *reason);

// Whether font, which run was measured in, draws every character of it; spaces need no glyph
// when the layout sets their width.
bool drawable(const MeasuredRun &run, const Font &font, const Layout &layout);

// The steps that setting a line in font `face` of fonts takes by the face alone: a font after
// the first, a condensed face after a wider one.
std::vector<FitStep> faceSteps(const std::vector<Font> &fonts, std::size_t face);

// The refusal of a run that no font of fonts draws whole: each character missing, with the
// fonts it is missing from ("U+20AC "€" is not in sign-7, sign-7-narrow").
std::error_code missingCharacters(std::u32string_view run, const std::vector<Font> &fonts,
                                  const Layout &layout, std::string_view what, std::string *reason);

// The setting a font has before fitting changes it: its own spacing and space, unless the
// layout sets them.
Setting ownSetting(const std::vector<Font> &fonts, std::size_t font, const Layout &layout);

} // namespace qrvx::text
