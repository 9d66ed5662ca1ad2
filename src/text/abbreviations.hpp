// Abbreviations found in a wording and applied from its end: a sign maker shortens the last
// words first, so that the start of a destination, which names it, stays whole longest.
#pragma once

#include "measure.hpp"

#include <string>
#include <vector>

namespace qrvx::text {

namespace detail {
struct AbbreviationData {
    struct Entry {
        std::u32string full;
        std::u32string abbreviated;
        bool ending = false; // the end of a word ("-straße"), stored without its "-"
        Abbreviation forms;  // as the report names it
    };
    std::vector<Entry> entries; // longest full form first

    static const AbbreviationData *of(const Abbreviations &abbreviations) noexcept {
        return abbreviations.data_.get();
    }
    static Abbreviations make(std::shared_ptr<const AbbreviationData> data) noexcept {
        return Abbreviations(std::move(data));
    }
};
} // namespace detail

// Where an entry matches: characters [begin, end) of line `line`.
struct AbbreviationMatch {
    std::size_t line = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    const detail::AbbreviationData::Entry *entry = nullptr;
};

// Every match in lines, in reading order, none overlapping another.
std::vector<AbbreviationMatch> abbreviationMatches(const Abbreviations &abbreviations,
                                                   std::span<const std::u32string> lines);

// lines with the last `count` matches applied; what was applied goes into `applied`, from the
// end of the text back.
std::vector<std::u32string> abbreviate(std::span<const std::u32string> lines,
                                       std::span<const AbbreviationMatch> matches,
                                       std::size_t count, std::vector<Abbreviation> &applied);

} // namespace qrvx::text
