// Breaks are found once a wording, whatever its face; which of them fits is measured later.
// Connecting words are a short table of the languages signs are made in: a line begun by one
// reads as the way, not the goal.
#include "line_breaks.hpp"

#include <utf8proc.h>

#include <algorithm>

namespace qrvx::text {
namespace {

constexpr std::array<std::u32string_view, 9> connectingWords{
    U"via", U"vía", U"über", U"przez", U"cez", U"přes", U"över", U"par", U"por"};

char32_t lower(char32_t character) {
    return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(character)));
}

// The word that starts at `at`: up to the next space.
std::u32string_view wordAt(std::u32string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && !isSpace(text[end])) {
        ++end;
    }
    return text.substr(at, end - at);
}

bool isConnectingWord(std::u32string_view word) {
    return std::ranges::any_of(connectingWords, [&](std::u32string_view connecting) {
        return std::ranges::equal(word, connecting, {}, lower);
    });
}

bool isDash(std::u32string_view word) {
    return word == U"-" || word == U"\u2013" || word == U"\u2014";
}

// What may not begin a line: closing punctuation, or a dash that belongs to the line before.
bool cannotBeginLine(std::u32string_view word) {
    return isDash(word) || std::u32string_view(U",;:.)/").find(word.front()) != word.npos;
}

// The kind of a break at the spaces [end, next), none where a line may not begin.
std::optional<BreakKind> spaceBreak(std::u32string_view text, std::size_t end, std::size_t next) {
    const std::u32string_view word = wordAt(text, next);
    if (cannotBeginLine(word)) {
        return std::nullopt;
    }
    const char32_t before = text[end - 1];
    if (before == U',' || before == U';' || before == U'/' || word.front() == U'(' ||
        isConnectingWord(word)) {
        return BreakKind::sense;
    }
    return BreakKind::space;
}

std::size_t letters(std::u32string_view text, Span span) {
    return static_cast<std::size_t>(
        std::ranges::count_if(text.substr(span.begin, span.end - span.begin),
                              [](char32_t character) { return !isSpace(character); }));
}

Split splitAt(std::u32string_view text, std::initializer_list<Break> breaks) {
    Split split;
    split.count = breaks.size() + 1;
    std::size_t begin = 0;
    std::size_t line = 0;
    for (const Break &at : breaks) {
        split.lines[line++] = {begin, at.end};
        split.weakness += static_cast<int>(at.kind);
        begin = at.next;
    }
    split.lines[line] = {begin, text.size()};
    for (std::size_t i = 0; i < split.count; ++i) {
        split.shortLine = split.shortLine || letters(text, split.lines[i]) < 3;
    }
    return split;
}

} // namespace

std::vector<Break> breaksOf(std::u32string_view text) {
    std::vector<Break> breaks;
    for (std::size_t at = 1; at + 1 < text.size(); ++at) {
        if (isSpace(text[at]) && !isSpace(text[at - 1])) {
            std::size_t next = at;
            while (next < text.size() && isSpace(text[next])) {
                ++next;
            }
            if (next < text.size()) {
                if (const auto kind = spaceBreak(text, at, next)) {
                    breaks.push_back({at, next, *kind});
                }
            }
        } else if ((text[at] == U'-' || text[at] == U'/') && isLetterOrDigit(text[at - 1]) &&
                   isLetterOrDigit(text[at + 1])) {
            breaks.push_back(
                {at + 1, at + 1, text[at] == U'/' ? BreakKind::sense : BreakKind::hyphen});
        }
    }
    return breaks;
}

std::vector<Split> splitsOf(std::u32string_view text, std::span<const Break> breaks,
                            std::size_t count) {
    std::vector<Split> splits;
    if (count == 1) {
        splits.push_back(splitAt(text, {}));
    } else if (count == 2) {
        for (const Break &at : breaks) {
            splits.push_back(splitAt(text, {at}));
        }
    } else if (count == 3) {
        for (std::size_t i = 0; i < breaks.size(); ++i) {
            for (std::size_t j = i + 1; j < breaks.size(); ++j) {
                if (breaks[j].end > breaks[i].next) {
                    splits.push_back(splitAt(text, {breaks[i], breaks[j]}));
                }
            }
        }
    }
    return splits;
}

} // namespace qrvx::text
