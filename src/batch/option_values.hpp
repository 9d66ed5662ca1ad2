// Values of options as words and colours: the words a choice takes and what each stands for in
// one table, "#RRGGBB" colours and palettes of four. Shared by the sign options of lists and of
// the command line.
#pragma once

#include "qrvx_author.hpp"
#include "qrvx_text.hpp"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::batch {

template <typename T>
struct Named {
    std::string_view name;
    T value;
};

template <typename T, std::size_t N>
std::optional<T> valueNamed(const std::array<Named<T>, N> &choices, std::string_view name) {
    for (const Named<T> &choice : choices) {
        if (choice.name == name) {
            return choice.value;
        }
    }
    return std::nullopt;
}

template <typename T, std::size_t N>
std::vector<std::string> namesOf(const std::array<Named<T>, N> &choices) {
    std::vector<std::string> names;
    for (const Named<T> &choice : choices) {
        names.emplace_back(choice.name);
    }
    return names;
}

// "a|b|c", as help shows a value.
template <typename T, std::size_t N>
std::string choiceList(const std::array<Named<T>, N> &choices) {
    std::string list;
    for (const Named<T> &choice : choices) {
        list += (list.empty() ? "" : "|") + std::string(choice.name);
    }
    return list;
}

inline constexpr std::array rasterNames{
    Named<author::RasterDirection>{"vertical", author::RasterDirection::vertical},
    Named<author::RasterDirection>{"horizontal", author::RasterDirection::horizontal}};

inline constexpr std::array routeSideNames{
    Named<author::RouteSide>{"start", author::RouteSide::start},
    Named<author::RouteSide>{"end", author::RouteSide::end}};

inline constexpr std::array sideNames{Named<text::Side>{"start", text::Side::start},
                                      Named<text::Side>{"end", text::Side::end}};

inline constexpr std::array scrollNames{
    Named<author::ScrollMarker>{"0", author::ScrollMarker::zero},
    Named<author::ScrollMarker>{"1", author::ScrollMarker::one}};

// 0xRRGGBB from "#RRGGBB", or "RRGGBB" since a shell comment starts at an unquoted "#".
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

inline author::Rgb rgbOf(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

inline constexpr std::string_view paletteFormat = "#RRGGBB,#RRGGBB,#RRGGBB,#RRGGBB";

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

} // namespace qrvx::batch
