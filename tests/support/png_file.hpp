// Reads a PNG file back through libpng's read API, independently of the library's writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qrvx::test {

struct PngFile {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    bool hasPalette = false;
    std::vector<std::pair<std::string, std::string>> texts; // every text chunk, in file order
    std::vector<std::vector<std::uint8_t>> rows;
};

// Nothing when the file cannot be opened or libpng rejects it.
std::optional<PngFile> readPng(const std::string &path);

} // namespace qrvx::test
