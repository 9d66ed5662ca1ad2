// The choices of a graphic's encoding that `qrvx encode` takes.
#pragma once

#include "colour_option.hpp"
#include "option_values.hpp"
#include "qrvx_author.hpp"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qrvx::cli {

using batch::namesOf;
using batch::paletteFormat;
using batch::parsePalette;
using batch::rasterNames;
using batch::rgbOf;
using batch::routeSideNames;
using batch::scrollNames;
using batch::valueNamed;

inline const CLI::Validator paletteValidator(
    [](std::string &text) {
        std::array<author::Rgb, 4> palette;
        return parsePalette(text, palette);
    },
    std::string(paletteFormat));

} // namespace qrvx::cli
