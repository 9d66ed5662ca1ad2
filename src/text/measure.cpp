// A run's characters become advances and ink boxes once; every measure after that is sums over
// them, so fitting can weigh hundreds of candidates for the cost of drawing one.
#include "measure.hpp"

#include <algorithm>

namespace qrvx::text {

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
    characters_.reserve(run.size());
    advancesBefore_.reserve(run.size() + 1);
    spacesBefore_.reserve(run.size() + 1);
    advancesBefore_.push_back(0);
    spacesBefore_.push_back(0);
    for (const char32_t character : run) {
        Character measured;
        measured.space = isSpace(character);
        if (!measured.space) {
            const auto found = std::ranges::lower_bound(data.characters, character);
            if (found != data.characters.end() && *found == character) {
                const auto index = static_cast<std::size_t>(found - data.characters.begin());
                measured.advance = data.glyphs[index].advance;
                measured.ink = data.inks[index];
            } else {
                drawsLetters_ = false;
            }
        }
        characters_.push_back(measured);
        advancesBefore_.push_back(advancesBefore_.back() + measured.advance);
        spacesBefore_.push_back(spacesBefore_.back() + (measured.space ? 1 : 0));
    }
}

std::int64_t MeasuredRun::width(Span span, const Setting &setting) const {
    if (span.end <= span.begin) {
        return 0;
    }
    const auto count = static_cast<std::int64_t>(span.end - span.begin);
    return advancesBefore_[span.end] - advancesBefore_[span.begin] +
           (spacesBefore_[span.end] - spacesBefore_[span.begin]) * setting.spaceWidth +
           (count - 1) * setting.spacing;
}

Columns MeasuredRun::extent(Span span, const Setting &setting) const {
    Columns columns{0, width(span, setting)};
    const auto penOf = [&](std::size_t at) {
        return width({span.begin, at + 1}, setting) - characters_[at].advance;
    };
    for (std::size_t at = span.begin; at < span.end; ++at) {
        if (characters_[at].ink.inked()) {
            columns.begin = std::min(columns.begin, penOf(at) + characters_[at].ink.left);
            break;
        }
    }
    for (std::size_t at = span.end; at > span.begin; --at) {
        if (characters_[at - 1].ink.inked()) {
            columns.end = std::max(columns.end, penOf(at - 1) + characters_[at - 1].ink.right);
            break;
        }
    }
    return columns;
}

InkRows MeasuredRun::inkRows(Span span) const {
    InkRows rows;
    for (std::size_t at = span.begin; at < span.end; ++at) {
        if (const detail::GlyphInk &ink = characters_[at].ink; ink.inked()) {
            rows.add({ink.top, ink.bottom});
        }
    }
    return rows;
}

template <class Each>
void MeasuredRun::forEachNeighbours(Span span, std::uint32_t spaceWidth, Each each) const {
    std::optional<std::size_t> previous;
    for (std::size_t at = span.begin; at < span.end; ++at) {
        if (!characters_[at].ink.inked()) {
            continue;
        }
        if (previous) {
            const std::size_t from = *previous;
            const std::int64_t spaces = spacesBefore_[at] - spacesBefore_[from];
            const std::int64_t distance = advancesBefore_[at] - advancesBefore_[from] +
                                          spaces * spaceWidth + characters_[at].ink.left -
                                          characters_[from].ink.right;
            each(distance, static_cast<std::int64_t>(at - from), spaces > 0);
        }
        previous = at;
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
