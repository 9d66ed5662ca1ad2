// Reads a PNG file back with libpng's own reader, as an independent check of what was written.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qrvx::test {

struct PngFile {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool interlaced = false;
    std::vector<std::pair<std::string, std::string>> texts; // keyword, text
    std::vector<std::uint8_t> rgb;                           // 3 bytes a pixel, row after row

    std::array<std::uint8_t, 3> pixel(std::uint32_t x, std::uint32_t y) const {
        const std::size_t at = (std::size_t{y} * width + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

// Empty when the file cannot be read or is no 8-bit RGB PNG that libpng accepts.
std::optional<PngFile> readPngFile(const std::string &path);

} // namespace qrvx::test
