// The options of a text sign in one table, which checks a value, reads it into the settings of
// a sign, and lists the options for help.
#include "sign_options.hpp"

#include <algorithm>
#include <charconv>
#include <new>

namespace qrvx::batch {
namespace {

constexpr std::array alignNames{Named<text::Align>{"left", text::Align::left},
                                Named<text::Align>{"centre", text::Align::centre},
                                Named<text::Align>{"right", text::Align::right}};
constexpr std::array verticalAlignNames{
    Named<text::VerticalAlign>{"top", text::VerticalAlign::top},
    Named<text::VerticalAlign>{"middle", text::VerticalAlign::middle},
    Named<text::VerticalAlign>{"bottom", text::VerticalAlign::bottom}};
constexpr std::array overflowNames{Named<text::Overflow>{"refuse", text::Overflow::refuse},
                                   Named<text::Overflow>{"clip", text::Overflow::clip}};

constexpr std::size_t mostLines = 3;
constexpr std::uint32_t defaultHeight = 16;

// Bounds that keep a sign's pixel count small whatever a list says.
constexpr std::uint32_t largestSide = 4096;
constexpr std::uint32_t largestGap = 255;

// Reads one value into settings: empty, or why the value is refused.
using Apply = std::string (*)(SignSettings &, std::string_view value);

// An option and how its values are read.
struct OptionRule {
    SignOption option;
    Apply apply;
};

template <typename T>
std::string readNumber(std::string_view text, std::uint32_t least, std::uint32_t most, T &into) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most) {
        return "not a number from " + std::to_string(least) + " to " + std::to_string(most) + ": " +
               std::string(text);
    }
    into = static_cast<T>(value);
    return {};
}

template <typename T, std::size_t N, typename Into>
std::string readChoice(const std::array<Named<T>, N> &choices, std::string_view text, Into &into) {
    const auto value = valueNamed(choices, text);
    if (!value) {
        return "not one of " + choiceList(choices) + ": " + std::string(text);
    }
    into = *value;
    return {};
}

// A value read elsewhere (a font, a file): here only checked to be there.
std::string given(SignSettings &, std::string_view value) {
    return value.empty() ? "empty" : std::string();
}

std::string readText(std::string_view text, std::string_view &into) {
    into = text;
    return text.empty() ? "empty" : std::string();
}

} // namespace

std::string readReserve(std::string_view text, std::optional<text::Reserve> &into) {
    const std::size_t colon = text.find(':');
    text::Reserve reserve;
    if (colon == text.npos || !readChoice(sideNames, text.substr(0, colon), reserve.side).empty() ||
        !readNumber(text.substr(colon + 1), 1, largestSide, reserve.columns).empty()) {
        return "not start:N or end:N (N columns, 1 to " + std::to_string(largestSide) +
               "): " + std::string(text);
    }
    into = reserve;
    return {};
}

namespace {

std::string readPalette(std::string_view text, std::optional<std::array<author::Rgb, 4>> &into) {
    std::array<author::Rgb, 4> palette;
    std::string why = parsePalette(text, palette);
    into = palette;
    return why;
}

constexpr std::array optionRules{
    OptionRule{{"font", "FONT",
                "A font to try, in fitting order: built-in name, file or fontconfig pattern; a "
                "scalable or multi-size font without a size (FILE@SIZE) is tried at every size "
                "that suits the sign, largest first (default: the built-in faces for the sign's "
                "height, e.g. sign-14, sign-14-narrow, sign-6, sign-6-narrow for 16 rows)",
                true},
               given},
    OptionRule{
        {"width", "N", "Columns of the sign (default: the text's own width and margins)", false},
        [](SignSettings &s, std::string_view v) {
            return readNumber(v, 1, largestSide, s.layout.width);
        }},
    OptionRule{{"height", "N", "Rows of the sign (default 16)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 1, largestSide, s.layout.height);
               }},
    OptionRule{
        {"align", "left|centre|right", "Where lines sit across the sign (default centre)", false},
        [](SignSettings &s, std::string_view v) { return readChoice(alignNames, v, s.align); }},
    OptionRule{
        {"valign", "top|middle|bottom", "Where the lines sit up and down (default middle)", false},
        [](SignSettings &s, std::string_view v) {
            return readChoice(verticalAlignNames, v, s.layout.verticalAlign);
        }},
    OptionRule{{"spacing", "N", "Columns between letters (default: the font's own)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 0, largestGap, s.layout.spacing);
               }},
    OptionRule{{"space-width", "N", "Columns of a space (default: the font's own)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 0, largestGap, s.layout.spaceWidth);
               }},
    OptionRule{{"margin", "N", "Columns kept empty at either side (default 1)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 0, largestGap, s.layout.marginX);
               }},
    OptionRule{{"line-gap", "N", "Rows between the capitals of two lines (default 2)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 0, largestGap, s.layout.lineGap);
               }},
    OptionRule{{"colour", "N",
                "Palette index 1-3 of a line, once a line in order; the last one also colours "
                "the lines after it (default 1)",
                true},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 1, 3, s.colours.emplace_back());
               }},
    OptionRule{{"route", "TEXT", "A route number drawn beside the text", false},
               [](SignSettings &s, std::string_view v) { return readText(v, s.route.text); }},
    OptionRule{
        {"route-side", "start|end", "Where the route number sits (default start)", false},
        [](SignSettings &s, std::string_view v) { return readChoice(sideNames, v, s.route.side); }},
    OptionRule{{"route-font", "FONT",
                "A font for the route number, in fitting order (default: the route face for the "
                "sign's height and its condensed twin, then the text faces)",
                true},
               given},
    OptionRule{
        {"route-colour", "N", "Palette index 1-3 of the route number (default 1)", false},
        [](SignSettings &s, std::string_view v) { return readNumber(v, 1, 3, s.route.colour); }},
    OptionRule{
        {"route-gap", "N", "Columns between the route number and the text (default 2)", false},
        [](SignSettings &s, std::string_view v) {
            return readNumber(v, 0, largestGap, s.route.gap);
        }},
    OptionRule{
        {"reserve", "start:N|end:N", "Keep N columns empty for a route number programmed later",
         false},
        [](SignSettings &s, std::string_view v) { return readReserve(v, s.layout.reserve); }},
    OptionRule{{"abbreviations", "FILE.csv",
                "Abbreviations (columns long,short; \"-straße,-str.\" shortens a word's end) "
                "applied one at a time from the end of the text when nothing fits without them",
                false},
               given},
    OptionRule{{"overflow", "refuse|clip",
                "Text that does not fit even broken into lines, or whose ink would fall outside "
                "the sign: refused, or cut with a warning (default refuse)",
                false},
               [](SignSettings &s, std::string_view v) {
                   return readChoice(overflowNames, v, s.layout.overflow);
               }},
    OptionRule{{"colour-system", "0|1|2",
                "0 monochrome, 1 two one-bit planes, 2 two bits a pixel (default 0)", false},
               [](SignSettings &s, std::string_view v) {
                   return readNumber(v, 0, 2, s.encoding.colourSystem);
               }},
    OptionRule{
        {"raster", "vertical|horizontal", "Lines of the pixel data (default vertical)", false},
        [](SignSettings &s, std::string_view v) {
            return readChoice(rasterNames, v, s.encoding.raster);
        }},
    OptionRule{
        {"palette", paletteFormat,
         "Four colours for colour systems 1 and 2 (default black, white, amber, blue)", false},
        [](SignSettings &s, std::string_view v) { return readPalette(v, s.encoding.palette); }},
    OptionRule{{"keys", "TEXT", "Further parameter keys, e.g. 'FG3'", false},
               [](SignSettings &s, std::string_view v) { return readText(v, s.encoding.keys); }},
    OptionRule{{"scroll", "0|1", "Write the scroll marker 'U' 0x00 or 0x01", false},
               [](SignSettings &s, std::string_view v) {
                   return readChoice(scrollNames, v, s.encoding.scroll);
               }},
    OptionRule{{"route-number", "start|end",
                "The whole sign is a route number for the start or end of another (for qrvx "
                "program)",
                false},
               [](SignSettings &s, std::string_view v) {
                   return readChoice(routeSideNames, v, s.routeNumberSide);
               }},
    OptionRule{
        {"route-code", "N", "Route code 1-3 of --route-number (default 1)", false},
        [](SignSettings &s, std::string_view v) { return readNumber(v, 1, 3, s.routeCode); }},
};

constexpr auto options = [] {
    std::array<SignOption, optionRules.size()> all{};
    std::transform(optionRules.begin(), optionRules.end(), all.begin(),
                   [](const OptionRule &rule) { return rule.option; });
    return all;
}();

const OptionRule *ruleNamed(std::string_view name) {
    const auto found =
        std::find_if(optionRules.begin(), optionRules.end(),
                     [&](const OptionRule &rule) { return rule.option.name == name; });
    return found == optionRules.end() ? nullptr : &*found;
}

std::string dashed(std::string_view name) {
    return "--" + std::string(name);
}

std::optional<std::string> combinationError(const SignRequest &request,
                                            const SignSettings &settings) {
    const std::size_t lines = request.lines.size();
    if (lines == 0 || lines > mostLines) {
        return "a sign takes 1 to 3 lines of text, not " + std::to_string(lines);
    }
    if (request.shortLines.size() > mostLines) {
        return "a short wording takes 1 to 3 lines, not " +
               std::to_string(request.shortLines.size());
    }
    if (settings.colours.size() > lines) {
        return "--colour given " + std::to_string(settings.colours.size()) + " times for " +
               std::to_string(lines) + (lines == 1 ? " line" : " lines");
    }
    const bool route = valuesOf(request, "route") != nullptr;
    for (const std::string_view name : routeStyleOptions) {
        if (valuesOf(request, name) && !route) {
            return dashed(name) + " needs --route";
        }
    }
    if (valuesOf(request, "route-code") && !settings.routeNumberSide) {
        return "--route-code needs --route-number";
    }
    if (settings.routeNumberSide && (route || settings.layout.reserve)) {
        return "--route-number excludes --route and --reserve";
    }
    if (settings.encoding.colourSystem == 0) {
        if (settings.encoding.palette) {
            return "--palette needs --colour-system 1 or 2";
        }
        const auto aboveOne = [](std::uint8_t colour) { return colour > 1; };
        if (aboveOne(settings.route.colour) ||
            std::any_of(settings.colours.begin(), settings.colours.end(), aboveOne)) {
            return "--colour and --route-colour above 1 need --colour-system 1 or 2";
        }
    }
    return std::nullopt;
}

} // namespace

const std::vector<std::string> *valuesOf(const SignRequest &request, std::string_view name) {
    const auto found = request.options.find(name);
    return found == request.options.end() || found->second.empty() ? nullptr : &found->second;
}

std::optional<std::string> readSettings(const SignRequest &request, SignSettings &settings) {
    for (const auto &[name, values] : request.options) {
        const OptionRule *rule = ruleNamed(name);
        if (!rule) {
            return "no option " + dashed(name);
        }
        if (values.size() > 1 && !rule->option.repeatable) {
            return dashed(name) + " given " + std::to_string(values.size()) + " times";
        }
        for (const std::string &value : values) {
            if (std::string why = rule->apply(settings, value); !why.empty()) {
                return dashed(name) + ": " + why;
            }
        }
    }
    return combinationError(request, settings);
}

namespace {

std::vector<std::string_view> namesOr(const std::vector<std::string> *given,
                                      std::vector<std::string_view> defaults) {
    return given ? std::vector<std::string_view>(given->begin(), given->end())
                 : std::move(defaults);
}

std::uint32_t rowsOf(const SignRequest &request) {
    std::uint32_t rows = defaultHeight;
    if (const auto *height = valuesOf(request, "height")) {
        readNumber(height->front(), 1, largestSide, rows);
    }
    return rows;
}

} // namespace

FontNames fontNamesOf(const SignRequest &request) {
    FontNames fontNames;
    fontNames.rows = rowsOf(request);
    fontNames.lines = namesOr(valuesOf(request, "font"), text::defaultFontNames(fontNames.rows));
    if (valuesOf(request, "route")) {
        fontNames.route =
            namesOr(valuesOf(request, "route-font"), text::defaultRouteFontNames(fontNames.rows));
    }
    return fontNames;
}

std::uint8_t colourOfLine(const SignSettings &settings, std::size_t line) {
    if (settings.colours.empty()) {
        return 1;
    }
    return settings.colours[std::min(line, settings.colours.size() - 1)];
}

std::span<const SignOption> signOptions() noexcept {
    return options;
}

std::string checkSignOption(std::string_view name, std::string_view value) {
    const OptionRule *rule = ruleNamed(name);
    if (!rule) {
        return "no option " + dashed(name);
    }
    SignSettings scratch;
    return rule->apply(scratch, value);
}

std::optional<std::string> requestError(const SignRequest &request) {
    SignSettings settings;
    return readSettings(request, settings);
}

} // namespace qrvx::batch
