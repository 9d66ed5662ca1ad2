// What is on a shelf: fonts by name and the sign height their sizes were chosen for, and
// abbreviation tables by file.
#pragma once

#include "qrvx_batch.hpp"

#include <map>
#include <string>
#include <vector>

namespace qrvx::batch {

struct Shelf::Contents {
    std::map<std::string, std::vector<text::Font>, std::less<>> fonts; // by fontKey
    std::map<std::string, text::Abbreviations, std::less<>> abbreviations;
};

struct ShelfAccess {
    static const Shelf::Contents &of(const Shelf &shelf) { return *shelf.contents_; }
};

// A font by its name and the rows its sizes suit.
std::string fontKey(std::string_view fontName, std::uint32_t rows);

} // namespace qrvx::batch
