// The review page of a batch, index.html beside the signs: each sign as its PNG drawn large,
// with its code, route, texts, fonts and what fitting did, so that a reviewer finds the signs
// to look at twice. One file that needs no network and no script; written a row at a time.
#pragma once

#include "sign_request.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace qrvx::cli {

std::string escapeHtml(std::string_view text);

struct ReviewEntry {
    std::string_view listName;
    std::string_view code;
    std::uint64_t line = 0;
    const SignRequest *request = nullptr;
    const text::Sign *sign = nullptr; // null when the row was refused
    std::string_view reason;          // why it was
};

// Whether fitting made a compromise a reviewer should look at: a condensed face, tighter letters
// or spaces, a short wording, an abbreviation, a cut.
bool markedForALook(const text::Sign &sign);

std::string reviewPageStart(std::string_view listName);
std::string reviewEntry(const ReviewEntry &entry);

struct ReviewTally {
    std::uint64_t rows = 0;
    std::uint64_t marked = 0;
    std::uint64_t refused = 0;
};
// The summary, shown first although written last, and the end of the page.
std::string reviewPageEnd(std::string_view listName, const ReviewTally &tally);

} // namespace qrvx::cli
