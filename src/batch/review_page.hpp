// The review page of a run, index.html beside the signs: every row with its faces side by side
// at their relative sizes, its code, route, texts, fonts and what fitting did, and what changed
// since the last run; filters for the refused rows, each kind of mark and each change, a search
// over code, route and text, and counts. One file that needs no network, written a row at a
// time; its script only shows and hides rows.
#pragma once

#include "qrvx_batch.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::batch {

std::string escapeHtml(std::string_view text);

// Whether fitting made a compromise a reviewer should look at: a condensed face, tighter letters
// or spaces, a short wording, an abbreviation, a cut.
bool markedForALook(const text::Sign &sign);

// A face as the page draws it: its name ("" for the one sign of a run without a sign set) and
// size, which sets its pictures' relative size.
struct PageFace {
    std::string name;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

class ReviewPage {
public:
    ReviewPage(std::string listName, std::vector<PageFace> faces);

    std::string start() const;
    // A row; pictures[i] is where face i's PNG is, relative to the page (empty: none).
    std::string row(const RowOutcome &outcome, std::span<const std::string> pictures) const;
    // The summary, the filters and the end of the page; `removed` names the signs of the last
    // run this one no longer makes.
    std::string end(const Summary &summary, std::span<const std::string> removed) const;

private:
    std::uint32_t rowHeightGuess() const;

    std::string listName_;
    std::vector<PageFace> faces_;
    std::uint32_t scale_ = 1; // CSS pixels a sign pixel, the same for every face
    std::uint32_t tallest_ = 0;
};

} // namespace qrvx::batch
