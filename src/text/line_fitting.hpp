// A line of text set in one of its fonts, and the fitting that chooses the font, the letter
// spacing and the width of spaces (and may break a lone line in two) to make it fit its room.
#pragma once

#include "text.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qrvx::text {

// How a run of text is set: its font (an index into the line's list), the columns between
// letters and the width of a space.
struct Setting {
    std::size_t font = 0;
    std::uint32_t spacing = 0;
    std::uint32_t spaceWidth = 0;
};

bool isSpace(char32_t character);

// The columns a run takes under setting: the pens' advances and the spacing between glyphs.
std::int64_t runWidth(std::u32string_view run, const Font &font, const Setting &setting);

// Calls draw(glyph, left, top) for each glyph of run set under setting, its pen starting at x on
// a baseline at row 0: (left, top) is where the glyph's top-left pixel lands.
template <class Draw>
void forEachGlyph(std::u32string_view run, const Font &font, const Setting &setting, std::int64_t x,
                  Draw draw) {
    std::int64_t pen = x;
    for (const char32_t character : run) {
        if (isSpace(character)) {
            pen += setting.spaceWidth;
        } else if (const Glyph *glyph = font.glyph(character)) {
            draw(*glyph, pen + glyph->left, -std::int64_t{glyph->top});
            pen += glyph->advance;
        }
        pen += setting.spacing;
    }
}

// The setting a font has before fitting changes it (a space's own advance, its natural spacing,
// unless the layout sets them).
Setting naturalSetting(const std::vector<Font> &fonts, std::size_t font, const Layout &layout);

// Whether font draws every character of run; spaces need no glyph when the layout sets their
// width.
bool drawsAll(const Font &font, std::u32string_view run, const Layout &layout);

// The refusal of a run that no font of fonts draws whole: each character missing, with the
// fonts it is missing from ("U+20AC "€" is not in sign-7, sign-7-narrow").
std::error_code missingCharacters(std::u32string_view run, const std::vector<Font> &fonts,
                                  const Layout &layout, std::string_view what, std::string *reason);

// A line as fitting left it: its text (a part of the line's when it was broken), its setting,
// the steps taken and its width.
struct FittedLine {
    std::u32string characters;
    Setting setting;
    std::vector<FitStep> steps;
    std::int64_t width = 0;
};

// What fitting made of one line of the layout: one line, or two when it was broken; `fits`
// false when it is still wider than room after every step (the narrowest whole line is kept).
struct LineFit {
    std::vector<FittedLine> lines;
    bool fits = false;
};

// Fits line `index` of layout, whose text is characters, into room columns. Errors:
// Errc::missingCharacter when no font of the line draws it whole.
Result<LineFit> fitLine(const Layout &layout, std::size_t index, std::u32string_view characters,
                        std::int64_t room, std::string *reason);

} // namespace qrvx::text
