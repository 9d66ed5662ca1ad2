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

inline constexpr std::array rasterNames{
    Named<author::RasterDirection>{"vertical", author::RasterDirection::vertical},
    Named<author::RasterDirection>{"horizontal", author::RasterDirection::horizontal}};

inline constexpr std::array routeSideNames{
    Named<author::RouteSide>{"start", author::RouteSide::start},
    Named<author::RouteSide>{"end", author::RouteSide::end}};

inline constexpr std::array scrollNames{
    Named<author::ScrollMarker>{"0", author::ScrollMarker::zero},
    Named<author::ScrollMarker>{"1", author::ScrollMarker::one}};

inline constexpr std::string_view paletteFormat = "#RRGGBB,#RRGGBB,#RRGGBB,#RRGGBB";

inline author::Rgb rgbOf(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

// Four colours, comma-separated; empty, or why the text is no palette.
inline std::string parsePalette(std::string_view text, std::array<author::Rgb, 4> &palette) {
    const std::string notFour =
        "not four colours " + std::string(paletteFormat) + ": " + std::string(text);
    for (std::size_t count = 0, start = 0;; ++count) {
        const std::size_t comma = text.find(',', start);
        const std::string_view colour = text.substr(start, comma - start);
        const auto value = parseHexColour(colour);
        if (count == palette.size()) {
            return notFour;
        }
        if (!value) {
            return "not a colour #RRGGBB: " + std::string(colour);
        }
        palette[count] = rgbOf(*value);
        if (comma == text.npos) {
            return count + 1 == palette.size() ? std::string() : notFour;
        }
        start = comma + 1;
    }
}

inline const CLI::Validator paletteValidator(
    [](std::string &text) {
        std::array<author::Rgb, 4> palette;
        return parsePalette(text, palette);
    },
    std::string(paletteFormat));

} // namespace qrvx::cli
