#include "candidates.hpp"

namespace qrvx::text {

Wordings::Wordings(std::vector<std::u32string> full, std::vector<std::u32string> shortLines,
                   const Abbreviations &abbreviations) {
    sources_.push_back({std::move(full), false, {}});
    if (!shortLines.empty()) {
        sources_.push_back({std::move(shortLines), true, {}});
    }
    for (Source &source : sources_) {
        source.matches = abbreviationMatches(abbreviations, source.lines);
    }
}

std::optional<Wording> Wordings::next() {
    for (;;) {
        if (source_ == sources_.size()) {
            source_ = 0;
            ++abbreviations_;
        }
        const bool more = std::ranges::any_of(sources_, [&](const Source &source) {
            return source.matches.size() >= abbreviations_;
        });
        if (!more) {
            return std::nullopt;
        }
        const Source &source = sources_[source_++];
        if (source.matches.size() < abbreviations_) {
            continue;
        }
        Wording wording;
        wording.shortened = source.shortened;
        wording.lines =
            abbreviate(source.lines, source.matches, abbreviations_, wording.abbreviations);
        return wording;
    }
}

std::vector<std::size_t> lineCountsOf(std::size_t given) {
    return given == 1 ? std::vector<std::size_t>{1, 2, 3} : std::vector<std::size_t>{given};
}

std::vector<std::uint32_t> spacingsToTry(std::uint32_t own, std::uint32_t least) {
    std::vector<std::uint32_t> spacings;
    for (std::uint32_t spacing = std::max(own, least); spacing >= least; --spacing) {
        spacings.push_back(spacing);
        if (spacing == 0) {
            break;
        }
    }
    return spacings;
}

std::vector<std::uint32_t> spaceWidthsToTry(std::uint32_t own) {
    std::vector<std::uint32_t> widths{own};
    for (std::uint32_t width = own; width > 1 && width - 1 >= (own + 1) / 2; --width) {
        widths.push_back(width - 1);
    }
    return widths;
}

} // namespace qrvx::text
