// Colours given on the command line: "#RRGGBB", or "RRGGBB" since a shell comment starts at an
// unquoted "#".
#pragma once

#include "option_values.hpp"
#include "qrvx.hpp"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrvx::cli {

using batch::parseHexColour;

// As the three words of a colour option of the PNG export.
inline std::optional<Colour> parseColour(std::string_view text) {
    const auto value = parseHexColour(text);
    if (!value) {
        return std::nullopt;
    }
    return Colour{*value >> 16, (*value >> 8) & 0xFFu, *value & 0xFFu};
}

inline const CLI::Validator colourValidator(
    [](std::string &text) {
        return parseHexColour(text) ? std::string() : "not a colour #RRGGBB: " + text;
    },
    "#RRGGBB");

// --fg and --bg: the colours of set and clear pixels of a graphic without a palette.
inline void addMonochromeColours(CLI::App &command, std::string &foreground,
                                 std::string &background) {
    command.add_option("--fg", foreground, "Colour of set pixels of a monochrome graphic")
        ->check(colourValidator)
        ->capture_default_str();
    command.add_option("--bg", background, "Colour of clear pixels of a monochrome graphic")
        ->check(colourValidator)
        ->capture_default_str();
}

} // namespace qrvx::cli
