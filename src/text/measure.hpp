// Cheap measures of a run of text in one face: its characters' advances and ink looked up once,
// so that the width, ink and letter gaps of any part of it under any setting cost a few sums.
// Fitting measures every candidate with these before it draws one.
#pragma once

#include "geometry.hpp"
#include "text.hpp"

#include <optional>
#include <string_view>
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

// The advance of a font's space, none when it has no space glyph.
std::optional<std::uint32_t> ownSpaceWidth(const Font &font);

// Characters [begin, end) of a run.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};

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

class MeasuredRun {
public:
    MeasuredRun(std::u32string_view run, const Font &font);

    std::size_t size() const { return entries_.size() - 1; }
    Span whole() const { return {0, size()}; }
    // Whether the font draws every character but spaces.
    bool drawsLetters() const { return drawsLetters_; }
    bool hasSpaces() const { return entries_.back().spacesBefore > 0; }

    // Columns from the pen's start to its end: advances, spaces and the spacing between
    // characters.
    std::int64_t width(Span span, const Setting &setting) const;
    // The columns the span's ink and advances take together, from the pen's start: wider than
    // width() where ink reaches past the first pen or the last advance.
    Columns extent(Span span, const Setting &setting) const;
    InkRows inkRows(Span span) const;
    // The least spacing that keeps a blank column between the ink of neighbouring letters.
    std::uint32_t leastSpacing(Span span, std::uint32_t spaceWidth) const;
    // The fewest blank columns between neighbouring letters' ink; none for fewer than two.
    std::optional<std::int64_t> letterGap(Span span, const Setting &setting) const;

private:
    struct Character {
        std::int32_t advance = 0;
        detail::GlyphInk ink;
        bool space = false;
    };
    // Character i with the sums of those before it (the last entry holds the run's sums): a
    // line that starts or ends the run, as most lines of a break do, is measured without a walk.
    struct Entry {
        Character character;
        std::int64_t advancesBefore = 0; // spaces aside
        std::int64_t spacesBefore = 0;
        InkRows inkBefore;
        InkRows inkFrom; // of the characters from i on
    };
    // The ink-to-ink distance of each pair of inked letters with no space between, at spacing 0,
    // and the characters between their pens.
    template <class Each>
    void forEachNeighbours(Span span, std::uint32_t spaceWidth, Each each) const;
    const Character &at(std::size_t index) const { return entries_[index].character; }

    std::vector<Entry> entries_;
    bool drawsLetters_ = true;
};

} // namespace qrvx::text
