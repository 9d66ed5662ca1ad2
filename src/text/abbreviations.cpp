// A table of abbreviations is checked once, when it is made; matching is then plain comparison
// of characters at word starts and word ends, exact in case, since "Platz" and "PLATZ" are
// shortened differently.
#include "abbreviations.hpp"

#include <algorithm>
#include <new>
#include <set>

namespace qrvx::text {
namespace {

using Entry = detail::AbbreviationData::Entry;

Result<std::u32string> checkedForm(std::string_view form, const std::string &what, bool &ending,
                                   std::string *reason) {
    auto text = checkText(form, what, reason);
    if (!text) {
        return text.error();
    }
    std::u32string characters = std::move(text->characters);
    if (characters.empty() || isSpace(characters.front()) || isSpace(characters.back())) {
        return refuse(reason, Errc::invalidLayout,
                      what + ": empty, or with a space at an end: \"" + text->utf8 + "\"");
    }
    ending = characters.front() == U'-' && characters.size() > 1;
    return ending ? characters.substr(1) : characters;
}

Result<Abbreviations> makeTable(std::span<const Abbreviation> entries, std::string *reason) {
    auto data = std::make_shared<detail::AbbreviationData>();
    std::set<std::u32string> fulls;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string what = "abbreviation " + std::to_string(i + 1);
        bool fullEnding = false;
        bool shortEnding = false;
        auto full = checkedForm(entries[i].full, what, fullEnding, reason);
        if (!full) {
            return full.error();
        }
        auto abbreviated = checkedForm(entries[i].abbreviated, what, shortEnding, reason);
        if (!abbreviated) {
            return abbreviated.error();
        }
        if (fullEnding != shortEnding) {
            return refuse(reason, Errc::invalidLayout,
                          what + ": a word ending (\"-\" first) on one side only: \"" +
                              entries[i].full + "\", \"" + entries[i].abbreviated + "\"");
        }
        const std::u32string marker = fullEnding ? U"-" : U"";
        if (!fulls.insert(marker + *full).second) {
            return refuse(reason, Errc::invalidLayout,
                          what + ": \"" + entries[i].full + "\" is abbreviated twice");
        }
        Abbreviation forms{utf8Of(marker + *full), utf8Of(marker + *abbreviated)};
        data->entries.push_back(
            Entry{std::move(*full), std::move(*abbreviated), fullEnding, std::move(forms)});
    }
    std::ranges::stable_sort(data->entries, std::greater<>(),
                             [](const Entry &entry) { return entry.full.size(); });
    return detail::AbbreviationData::make(std::move(data));
}

bool boundaryBefore(std::u32string_view text, std::size_t at) {
    return at == 0 || !isLetterOrDigit(text[at - 1]);
}

bool boundaryAfter(std::u32string_view text, std::size_t at) {
    return at == text.size() || !isLetterOrDigit(text[at]);
}

// The entry that matches at a word start, or ends the word that ends at `wordEnd`.
std::optional<AbbreviationMatch> matchAt(const detail::AbbreviationData &table,
                                         std::u32string_view text, std::size_t start,
                                         std::size_t wordEnd) {
    for (const Entry &entry : table.entries) {
        const std::size_t length = entry.full.size();
        if (!entry.ending) {
            if (text.substr(start).starts_with(entry.full) && boundaryAfter(text, start + length)) {
                return AbbreviationMatch{0, start, start + length, &entry};
            }
        } else if (wordEnd - start > length &&
                   text.substr(wordEnd - length, length) == entry.full) {
            return AbbreviationMatch{0, wordEnd - length, wordEnd, &entry};
        }
    }
    return std::nullopt;
}

} // namespace

Abbreviations::Abbreviations() noexcept = default;

Abbreviations::Abbreviations(std::shared_ptr<const detail::AbbreviationData> data) noexcept
    : data_(std::move(data)) {}

Result<Abbreviations> Abbreviations::make(std::span<const Abbreviation> entries,
                                          std::string *reason) noexcept {
    try {
        return makeTable(entries, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

std::size_t Abbreviations::size() const noexcept {
    return data_ ? data_->entries.size() : 0;
}

std::vector<AbbreviationMatch> abbreviationMatches(const Abbreviations &abbreviations,
                                                   std::span<const std::u32string> lines) {
    std::vector<AbbreviationMatch> matches;
    const detail::AbbreviationData *table = detail::AbbreviationData::of(abbreviations);
    if (table == nullptr) {
        return matches;
    }
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::u32string_view text = lines[line];
        for (std::size_t at = 0; at < text.size();) {
            if (!isLetterOrDigit(text[at]) || !boundaryBefore(text, at)) {
                ++at;
                continue;
            }
            std::size_t wordEnd = at;
            while (wordEnd < text.size() && isLetterOrDigit(text[wordEnd])) {
                ++wordEnd;
            }
            if (auto match = matchAt(*table, text, at, wordEnd)) {
                match->line = line;
                matches.push_back(*match);
                at = std::max(match->end, wordEnd);
            } else {
                at = wordEnd;
            }
        }
    }
    return matches;
}

std::vector<std::u32string> abbreviate(std::span<const std::u32string> lines,
                                       std::span<const AbbreviationMatch> matches,
                                       std::size_t count, std::vector<Abbreviation> &applied) {
    std::vector<std::u32string> shortened(lines.begin(), lines.end());
    count = std::min(count, matches.size());
    for (std::size_t i = 0; i < count; ++i) {
        const AbbreviationMatch &match = matches[matches.size() - 1 - i];
        shortened[match.line].replace(match.begin, match.end - match.begin,
                                      match.entry->abbreviated);
        applied.push_back(match.entry->forms);
    }
    return shortened;
}

} // namespace qrvx::text
