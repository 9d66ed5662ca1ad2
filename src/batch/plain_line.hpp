// A CSV line that needs no parser: one without quotes and carriage returns is its cells split at
// its commas, each without the spaces and tabs around it (as libcsv gives them). Looked at a block
// of bytes at a time (16 with SSE2, else 8 in a word), since a timetable's stop_times.txt has
// millions of such lines.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qrvx::batch {

namespace plain_bytes {

// Bytes of a block that are of interest, bit i for its byte i.
struct Marks {
    std::uint32_t special = 0; // a quote or a carriage return
    std::uint32_t beyond = 0;  // beyond ASCII, or a NUL
    std::uint32_t commas = 0;
    std::uint32_t blanks = 0; // a space or a tab
    std::uint32_t bytes = 0;  // those of the line
};

#if defined(__SSE2__)

constexpr std::size_t blockSize = 16;

inline Marks marksOf(const char *bytes) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
    const auto equal = [&](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    const auto bits = [](__m128i marked) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(marked));
    };
    return {bits(_mm_or_si128(equal('"'), equal('\r'))), bits(_mm_or_si128(block, equal('\0'))),
            bits(equal(',')), bits(_mm_or_si128(equal(' '), equal('\t')))};
}

#else

constexpr std::size_t blockSize = 8;
constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = ones * 0x80u;

// The high bit of each byte that is zero, and of no other: no carry crosses a byte.
constexpr std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & ~highs) + ~highs) | word) & highs;
}

// The high bits of a word's bytes as bits 0 to 7, its first byte's lowest.
constexpr std::uint32_t gathered(std::uint64_t highBits) {
    return static_cast<std::uint32_t>(((highBits >> 7) * 0x0102040810204080u) >> 56);
}

inline Marks marksOf(const char *bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word); // its first byte lowest
    }
    return {gathered(zeroBytes(word ^ (ones * '"')) | zeroBytes(word ^ (ones * '\r'))),
            gathered((word | zeroBytes(word)) & highs), gathered(zeroBytes(word ^ (ones * ','))),
            gathered(zeroBytes(word ^ (ones * ' ')) | zeroBytes(word ^ (ones * '\t')))};
}

#endif

constexpr std::uint32_t wholeBlock = (std::uint32_t{1} << blockSize) - 1;

// The block at `at` of a line whose first `readable` bytes may be read (the line and what follows
// it in memory), without the bytes past the line's end.
inline Marks marksAt(std::string_view line, std::size_t readable, std::size_t at) {
    const std::size_t left = line.size() - at;
    const std::uint32_t inLine = left >= blockSize ? wholeBlock : (std::uint32_t{1} << left) - 1;
    Marks marks;
    if (readable - at >= blockSize) {
        marks = marksOf(line.data() + at);
    } else {
        char tail[blockSize] = {};
        std::copy(line.begin() + static_cast<std::ptrdiff_t>(at), line.end(), tail);
        marks = marksOf(tail);
    }
    return {marks.special & inLine, marks.beyond & inLine, marks.commas & inLine,
            marks.blanks & inLine, inLine};
}

} // namespace plain_bytes

// text without the characters of `around` at either end.
template <class Around>
[[gnu::always_inline]] inline std::string_view trimmed(std::string_view text, Around around) {
    while (!text.empty() && around(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && around(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Without the spaces and tabs around it.
inline std::string_view withoutBlanks(std::string_view cell) {
    return trimmed(cell, [](char c) { return c == ' ' || c == '\t'; });
}

// What a line holds.
struct PlainSplit {
    bool plain = false;    // no quote and no carriage return: the cells are the line's
    bool ascii = false;    // and no byte beyond ASCII, no NUL
    bool filled = false;   // some cell is not empty
    std::size_t cells = 0; // taken
    // The line after the cells taken, when some are left.
    std::optional<std::string_view> rest;
};

// The first `wanted` cells of line (without its line feed) into the first of cells, in one pass
// over it; cells grows as needed and keeps its size. The first `readable` bytes from the line's
// start may be read, at least its own.
inline PlainSplit splitPlain(std::string_view line, std::size_t readable, std::size_t wanted,
                             std::vector<std::string_view> &cells) {
    using namespace plain_bytes;
    PlainSplit split;
    std::uint32_t special = 0;
    std::uint32_t beyond = 0;
    std::uint32_t blanks = 0;
    std::uint32_t text = 0;
    std::size_t start = 0;
    const auto take = [&](std::size_t end) {
        if (split.cells == cells.size()) {
            cells.emplace_back();
        }
        cells[split.cells++] = std::string_view(line.data() + start, end - start);
        start = end + 1;
    };
    for (std::size_t at = 0; at < line.size(); at += blockSize) {
        const Marks marks = marksAt(line, readable, at);
        special |= marks.special;
        beyond |= marks.beyond;
        blanks |= marks.blanks;
        text |= marks.bytes & ~(marks.commas | marks.blanks);
        for (std::uint32_t commas = marks.commas; commas != 0 && !split.rest;
             commas &= commas - 1) {
            if (split.cells == wanted) {
                split.rest = line.substr(start);
            } else {
                take(at + static_cast<std::size_t>(std::countr_zero(commas)));
            }
        }
    }
    if (!split.rest) {
        if (split.cells == wanted) {
            split.rest = line.substr(start); // the last cell
        } else {
            take(line.size());
        }
    }
    if (blanks != 0) {
        std::for_each(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(split.cells),
                      [](std::string_view &cell) { cell = withoutBlanks(cell); });
    }
    split.plain = special == 0;
    split.ascii = beyond == 0;
    split.filled = text != 0;
    return split;
}

// The cells of a plain line, one at a time.
class PlainCells {
public:
    explicit PlainCells(std::string_view line) : line_(line) {}
    bool done() const { return start_ > line_.size(); }
    std::string_view next() {
        const std::size_t comma = std::min(line_.find(',', start_), line_.size());
        const std::string_view cell = line_.substr(start_, comma - start_);
        start_ = comma + 1;
        return withoutBlanks(cell);
    }

private:
    std::string_view line_;
    std::size_t start_ = 0;
};

} // namespace qrvx::batch
