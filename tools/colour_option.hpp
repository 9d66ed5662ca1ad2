// Colours given on the command line: "#RRGGBB", or "RRGGBB" since a shell comment starts at an
// unquoted "#".
#pragma once

#include "qrvx.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrvx::cli {

// 0xRRGGBB.
inline std::optional<std::uint32_t> parseHexColour(std::string_view text) {
    if (text.starts_with('#')) {
        text.remove_prefix(1);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 6 || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

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
