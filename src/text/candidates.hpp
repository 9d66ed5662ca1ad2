// What fitting may choose among, each in the order it is given up: wordings (the full one, the
// short one, then each with one more abbreviation), numbers of lines, letter spacings and space
// widths. Faces come in the order of a line's font list.
#pragma once

#include "abbreviations.hpp"
#include "measure.hpp"

#include <optional>
#include <vector>

namespace qrvx::text {

// A wording as fitting may set it: its lines as the caller gave them, whether it is the short
// one, and the abbreviations applied to it.
struct Wording {
    std::vector<std::u32string> lines;
    bool shortened = false;
    std::vector<Abbreviation> abbreviations;
};

class Wordings {
public:
    // `shortLines` empty: no short wording.
    Wordings(std::vector<std::u32string> full, std::vector<std::u32string> shortLines,
             const Abbreviations &abbreviations);
    // The next wording to try; none when every one has been given.
    std::optional<Wording> next();

private:
    struct Source {
        std::vector<std::u32string> lines;
        bool shortened = false;
        std::vector<AbbreviationMatch> matches;
    };
    std::vector<Source> sources_;
    std::size_t abbreviations_ = 0; // applied in this round
    std::size_t source_ = 0;        // the next one of the round
};

// The numbers of lines a wording may take: a lone line may be broken into two or three.
std::vector<std::size_t> lineCountsOf(std::size_t given);

// Letter spacings from the font's own (never below `least`) down to `least`.
std::vector<std::uint32_t> spacingsToTry(std::uint32_t own, std::uint32_t least);

// Space widths from the font's own down to half of it: a narrower space would read as the gap
// between two letters.
std::vector<std::uint32_t> spaceWidthsToTry(std::uint32_t own);

} // namespace qrvx::text
