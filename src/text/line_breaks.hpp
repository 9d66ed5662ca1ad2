// Where a sign maker breaks a line: at spaces; after a comma, a slash or a hyphen; before an
// opening parenthesis and before a connecting word ("via", "über", ...). A break's kind ranks it:
// a break that follows the sense (a comma, a slash, a parenthesis, a connecting word) before a
// plain space, and a space before the inside of a hyphenated word.
#pragma once

#include "measure.hpp"

#include <array>
#include <string_view>
#include <vector>

namespace qrvx::text {

enum class BreakKind { sense = 0, space = 1, hyphen = 2 };

// A line ends before `end`; the next starts at `next` (after the spaces).
struct Break {
    std::size_t end = 0;
    std::size_t next = 0;
    BreakKind kind = BreakKind::space;
};

std::vector<Break> breaksOf(std::u32string_view text);

// A text as two or three lines: their spans, how weak its breaks are together, and whether a
// line holds fewer than three letters.
struct Split {
    std::array<Span, 3> lines{};
    std::size_t count = 1;
    int weakness = 0;
    bool shortLine = false;
};

// Every way to set text as `count` lines (1 to 3) at its breaks; one line is the text itself.
std::vector<Split> splitsOf(std::u32string_view text, std::span<const Break> breaks,
                            std::size_t count);

} // namespace qrvx::text
