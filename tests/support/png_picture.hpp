// PNGs of any colour type, bit depth and transparency, written in memory through libpng: inputs
// for the PNG reading of the authoring library and its fuzz seeds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qrvx::test {

struct PngPicture {
    std::uint32_t width = 0, height = 0;
    int colourType = 2, bitDepth = 8; // libpng's PNG_COLOR_TYPE_... and 1-16
    std::vector<std::uint8_t> rows;   // height rows of raw samples, of equal length
    std::vector<std::array<std::uint8_t, 3>> palette;
    std::vector<std::uint8_t> alphas;             // tRNS of a palette
    std::optional<std::uint16_t> transparentGray; // tRNS of a gray image
    bool interlaced = false;
};

// The file's bytes; empty when libpng refuses the picture.
std::vector<std::uint8_t> pngBytes(const PngPicture &picture);

} // namespace qrvx::test
