// The choices of a graphic's encoding that `qrvx encode` and `qrvx text` both take.
#pragma once

#include "colour_option.hpp"
#include "named_choice.hpp"
#include "qrvx_author.hpp"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qrvx::cli {

using batch::paletteFormat;
using batch::parsePalette;
using batch::rasterNames;
using batch::rgbOf;
using batch::routeSideNames;
using batch::scrollNames;

inline const CLI::Validator paletteValidator(
    [](std::string &text) {
        std::array<author::Rgb, 4> palette;
        return parsePalette(text, palette);
    },
    std::string(paletteFormat));

} // namespace qrvx::cli
