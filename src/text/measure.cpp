// A run's characters become advances and ink boxes once; every measure after that is sums over
// them, so fitting can weigh hundreds of candidates for the cost of drawing one.
#include "measure.hpp"

#include <algorithm>

namespace qrvx::text {
namespace {

InkRows rowsOf(const detail::GlyphInk &ink) {
    return ink.inked() ? InkRows{ink.top, ink.bottom} : InkRows{};
}

} // namespace

bool isSpace(char32_t character) {
    return character == U' ' || character == U'\u00A0';
}

std::optional<std::uint32_t> ownSpaceWidth(const Font &font) {
    for (const char32_t space : {U' ', U'\u00A0'}) {
        if (const Glyph *glyph = font.glyph(space)) {
            return static_cast<std::uint32_t>(glyph->advance);
        }
    }
    return std::nullopt;
}

MeasuredRun::MeasuredRun(std::u32string_view run, const Font &font) {
    const detail::FontData &data = detail::FontAccess::data(font);
    entries_.resize(run.size() + 1);
    for (std::size_t i = 0; i < run.size(); ++i) {
        Character &measured = entries_[i].character;
        measured.space = isSpace(run[i]);
        if (!measured.space) {
            if (const auto index = data.indexOf(run[i])) {
                measured.advance = data.glyphs[*index].advance;
                measured.ink = data.inks[*index];
            } else {
                drawsLetters_ = false;
            }
        }
        Entry &next = entries_[i + 1];
        next.advancesBefore = entries_[i].advancesBefore + measured.advance;
        next.spacesBefore = entries_[i].spacesBefore + (measured.space ? 1 : 0);
        next.inkBefore = entries_[i].inkBefore;
        next.inkBefore.add(rowsOf(measured.ink));
    }
    for (std::size_t i = run.size(); i > 0; --i) {
        entries_[i - 1].inkFrom = entries_[i].inkFrom;
        entries_[i - 1].inkFrom.add(rowsOf(at(i - 1).ink));
    }
}

std::int64_t MeasuredRun::width(Span span, const Setting &setting) const {
    if (span.end <= span.begin) {
        return 0;
    }
    const auto count = static_cast<std::int64_t>(span.end - span.begin);
    const Entry &begin = entries_[span.begin];
    const Entry &end = entries_[span.end];
    return end.advancesBefore - begin.advancesBefore +
           (end.spacesBefore - begin.spacesBefore) * setting.spaceWidth +
           (count - 1) * setting.spacing;
}

Columns MeasuredRun::extent(Span span, const Setting &setting) const {
    Columns columns{0, width(span, setting)};
    const auto penOf = [&](std::size_t index) {
        return width({span.begin, index + 1}, setting) - at(index).advance;
    };
    for (std::size_t index = span.begin; index < span.end; ++index) {
        if (at(index).ink.inked()) {
            columns.begin = std::min(columns.begin, penOf(index) + at(index).ink.left);
            break;
        }
    }
    for (std::size_t index = span.end; index > span.begin; --index) {
        if (at(index - 1).ink.inked()) {
            columns.end = std::max(columns.end, penOf(index - 1) + at(index - 1).ink.right);
            break;
        }
    }
    return columns;
}

InkRows MeasuredRun::inkRows(Span span) const {
    if (span.begin == 0) {
        return entries_[span.end].inkBefore;
    }
    if (span.end == size()) {
        return entries_[span.begin].inkFrom;
    }
    InkRows rows;
    for (std::size_t index = span.begin; index < span.end; ++index) {
        rows.add(rowsOf(at(index).ink));
    }
    return rows;
}

template <class Each>
void MeasuredRun::forEachNeighbours(Span span, std::uint32_t spaceWidth, Each each) const {
    std::optional<std::size_t> previous;
    for (std::size_t index = span.begin; index < span.end; ++index) {
        if (!at(index).ink.inked()) {
            continue;
        }
        if (previous) {
            const Entry &from = entries_[*previous];
            const Entry &to = entries_[index];
            const std::int64_t spaces = to.spacesBefore - from.spacesBefore;
            const std::int64_t distance = to.advancesBefore - from.advancesBefore +
                                          spaces * spaceWidth + to.character.ink.left -
                                          from.character.ink.right;
            each(distance, static_cast<std::int64_t>(index - *previous), spaces > 0);
        }
        previous = index;
    }
}

std::uint32_t MeasuredRun::leastSpacing(Span span, std::uint32_t spaceWidth) const {
    std::int64_t least = 0;
    forEachNeighbours(span, spaceWidth, [&](std::int64_t distance, std::int64_t steps, bool) {
        // distance + steps * spacing >= 1, rounded up.
        const std::int64_t lacking = 1 - distance;
        if (lacking > 0) {
            least = std::max(least, (lacking + steps - 1) / steps);
        }
    });
    return static_cast<std::uint32_t>(std::min<std::int64_t>(least, UINT32_MAX));
}

std::optional<std::int64_t> MeasuredRun::letterGap(Span span, const Setting &setting) const {
    std::optional<std::int64_t> gap;
    forEachNeighbours(span, setting.spaceWidth,
                      [&](std::int64_t distance, std::int64_t steps, bool acrossSpace) {
                          if (!acrossSpace) {
                              const std::int64_t columns = distance + steps * setting.spacing;
                              gap = gap ? std::min(*gap, columns) : columns;
                          }
                      });
    return gap;
}

} // namespace qrvx::text
