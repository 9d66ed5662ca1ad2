// A CSV line that needs no parser: one without quotes and carriage returns is its cells split at
// its commas, each without the spaces and tabs around it (as libcsv gives them). Looked at eight
// bytes at a time, since a timetable's stop_times.txt has millions of such lines.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qrvx::batch {

namespace plain_bytes {

constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = ones * 0x80u;

inline std::uint64_t wordAt(const char *bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The high bit of each byte that is zero, and of no other: no carry crosses a byte.
constexpr std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & ~highs) + ~highs) | word) & highs;
}

// The index of the first byte in memory order marked in a non-zero zeroBytes() mask.
constexpr std::size_t firstMarked(std::uint64_t mask) {
    return static_cast<std::size_t>(std::endian::native == std::endian::little
                                        ? std::countr_zero(mask)
                                        : std::countl_zero(mask)) /
           8;
}

} // namespace plain_bytes

struct LineBytes {
    bool plain = false; // no quote and no carriage return
    bool ascii = false; // and no NUL
};

// line without its line feed.
inline LineBytes lineBytes(std::string_view line) {
    using namespace plain_bytes;
    std::uint64_t special = 0;
    std::uint64_t beyond = 0;
    std::size_t at = 0;
    for (; at + sizeof special <= line.size(); at += sizeof special) {
        const std::uint64_t word = wordAt(line.data() + at);
        special |= zeroBytes(word ^ (ones * '"')) | zeroBytes(word ^ (ones * '\r'));
        beyond |= word | zeroBytes(word);
    }
    for (; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        special |= byte == '"' || byte == '\r' ? highs : 0;
        beyond |= byte | (byte == 0 ? highs : 0);
    }
    return {(special & highs) == 0, (beyond & highs) == 0};
}

// Where the next comma from `from` is, or line.size().
inline std::size_t nextComma(std::string_view line, std::size_t from) {
    using namespace plain_bytes;
    for (; from + sizeof(std::uint64_t) <= line.size(); from += sizeof(std::uint64_t)) {
        if (const std::uint64_t commas = zeroBytes(wordAt(line.data() + from) ^ (ones * ','))) {
            return from + firstMarked(commas);
        }
    }
    const std::size_t comma = line.find(',', from);
    return comma == line.npos ? line.size() : comma;
}

// Without the spaces and tabs around it.
inline std::string_view withoutBlanks(std::string_view cell) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!cell.empty() && blank(cell.front())) {
        cell.remove_prefix(1);
    }
    while (!cell.empty() && blank(cell.back())) {
        cell.remove_suffix(1);
    }
    return cell;
}

// The cells of a plain line, one at a time.
class PlainCells {
public:
    explicit PlainCells(std::string_view line) : line_(line) {}
    bool done() const { return start_ > line_.size(); }
    std::string_view next() {
        const std::size_t comma = nextComma(line_, start_);
        const std::string_view cell = line_.substr(start_, comma - start_);
        start_ = comma + 1;
        return withoutBlanks(cell);
    }
    // What is left of the line after the cells taken.
    std::string_view rest() const { return done() ? std::string_view() : line_.substr(start_); }

private:
    std::string_view line_;
    std::size_t start_ = 0;
};

} // namespace qrvx::batch
