// The options of a sign by name, in one table: what each accepts, and how a request's options
// become a text layout and an encoding. Lists, feeds and the command line read them alike.
#pragma once

#include "option_values.hpp"
#include "qrvx_batch.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::batch {

// What a request's options say; the defaults are those of text::Layout and author::Options.
// Views point into the request.
struct SignSettings {
    text::Layout layout;
    text::Align align = text::Align::centre;
    std::vector<std::uint8_t> colours; // the last one also colours the lines after it
    text::RouteOptions route;
    author::Options encoding;
    std::optional<author::RouteSide> routeNumberSide;
    std::uint16_t routeCode = 1;
};

// How a route number is drawn: options that apply only to a row with a route.
inline constexpr std::array<std::string_view, 4> routeStyleOptions = {"route-side", "route-font",
                                                                      "route-colour", "route-gap"};

// "start:N" or "end:N" into `into`: empty, or why the text is neither.
std::string readReserve(std::string_view text, std::optional<text::Reserve> &into);

// The settings of a request, or why it cannot make a sign ("--NAME: why").
std::optional<std::string> readSettings(const SignRequest &request, SignSettings &settings);

// The values of an option, none when it is not given or empty.
const std::vector<std::string> *valuesOf(const SignRequest &request, std::string_view name);

// The fonts a request names for its lines and its route number, or the defaults of its height;
// `rows` is that height, which the sizes of a font without one are chosen for.
struct FontNames {
    std::vector<std::string_view> lines;
    std::vector<std::string_view> route; // empty without a route number
    std::uint32_t rows = 16;
};
FontNames fontNamesOf(const SignRequest &request);

// The palette index of a line: once a line, the last one also colours the lines after it.
std::uint8_t colourOfLine(const SignSettings &settings, std::size_t line);

} // namespace qrvx::batch
