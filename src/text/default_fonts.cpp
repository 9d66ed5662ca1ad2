// Which built-in faces a sign of a given height takes when none are named. A face is chosen by
// the rows its lines need: one line needs its ink's rows, more lines need them again for each
// line after the first, plus the blank row between.
#include "text.hpp"

#include <algorithm>
#include <array>
#include <new>

namespace qrvx::text {
namespace {

struct Face {
    std::string_view name;
    std::string_view condensed;
    std::uint32_t inkRows; // what any line of it takes, accents and descenders included
};

// Larger capitals first.
constexpr std::array<Face, 5> textFaces{{
    {"sign-18", "sign-18-narrow", 24},
    {"sign-14", "sign-14-narrow", 16},
    {"sign-10", "sign-10-narrow", 11},
    {"sign-8", "sign-8-narrow", 9},
    {"sign-6", "sign-6-narrow", 7},
}};
constexpr std::array<Face, 3> routeFaces{{
    {"route-24", "route-24-narrow", 24},
    {"route-19", "route-19-narrow", 19},
    {"route-16", "route-16-narrow", 16},
}};

std::uint64_t rowsOfLines(const Face &face, std::uint64_t lines) {
    return lines * face.inkRows + (lines - 1);
}

// The largest face `lines` lines of which fit `rows`.
const Face *largestFitting(std::uint32_t rows, std::uint64_t lines) {
    for (const Face &face : textFaces) {
        if (rowsOfLines(face, lines) <= rows) {
            return &face;
        }
    }
    return nullptr;
}

void addFace(std::vector<std::string_view> &names, const Face *face) {
    if (face != nullptr && std::ranges::find(names, face->name) == names.end()) {
        names.push_back(face->name);
        names.push_back(face->condensed);
    }
}

std::vector<std::string_view> textFaceNames(std::uint32_t rows) {
    std::vector<std::string_view> names;
    for (const std::uint64_t lines : {1U, 2U, 3U}) {
        addFace(names, largestFitting(rows, lines));
    }
    if (names.empty()) {
        addFace(names, &textFaces.back());
    }
    return names;
}

} // namespace

std::vector<std::string_view> defaultFontNames(std::uint32_t rows) noexcept {
    try {
        return textFaceNames(rows);
    } catch (const std::bad_alloc &) {
        return {}; // no font: compose refuses the layout
    }
}

std::vector<std::string_view> defaultRouteFontNames(std::uint32_t rows) noexcept {
    try {
        std::vector<std::string_view> names;
        const auto fits = std::ranges::find_if(
            routeFaces, [&](const Face &face) { return face.inkRows <= rows; });
        addFace(names, fits != routeFaces.end() ? &*fits : nullptr);
        for (const std::string_view name : textFaceNames(rows)) {
            names.push_back(name);
        }
        return names;
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace qrvx::text
