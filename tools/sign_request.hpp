// A text sign as `qrvx text` takes it on its command line and `qrvx batch` in a list's row: one
// table of named options, so the two can never disagree on a name or a value.
#pragma once

#include "qrvx_text.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace qrvx::cli {

// Every option as text, before it is checked; names are the long options of `qrvx text`
// without "--" ("font", "align", "colour-system", ...), which are also a list's column names.
struct SignRequest {
    std::vector<std::string> lines;      // 1 to 3
    std::vector<std::string> shortLines; // the short wording: none, or 1 to 3
    std::map<std::string, std::vector<std::string>, std::less<>>
        options; // repeatable ones in order
};

// The names a request takes, in the order help lists them.
std::span<const std::string_view> signOptionNames();

// Registers every option on a command, as "--NAME"; each value given lands in request.options.
// Values are checked as makeSign checks them, so a bad one is a usage error.
void addSignOptions(CLI::App &command, SignRequest &request);

// Why a request cannot make a sign whatever its fonts (an unknown name, a bad value, options
// that do not go together, no line or more than 3), naming the option as "--NAME"; nothing
// when it can.
std::optional<std::string> requestError(const SignRequest &request);

// Fonts and abbreviation tables loaded once, for every sign made after: a batch loads each one
// a list names before its rows are made, and then only reads the shelf (from any thread).
class Shelf {
public:
    // Loads fontName, at every size that suits a sign `rows` rows high, unless it is on the
    // shelf already; the error as "FONT: loading the font: why".
    std::optional<std::string> load(const std::string &fontName, std::uint32_t rows);
    // Loads an abbreviation table (a CSV file with the columns long and short) unless it is on
    // the shelf; the error as "FILE:LINE: why".
    std::optional<std::string> loadAbbreviations(const std::string &path);
    // Every font and table a request names (its own and the defaults); the first error in words.
    std::optional<std::string> loadFor(const SignRequest &request);
    const std::vector<text::Font> *find(std::string_view fontName, std::uint32_t rows) const;
    const text::Abbreviations *findAbbreviations(std::string_view path) const;

private:
    std::map<std::string, std::vector<text::Font>, std::less<>> fonts_; // by fontKey()
    std::map<std::string, text::Abbreviations, std::less<>> abbreviations_;
};

// What a request made: the sign (its report says what fitting did) and its graphic.
struct MadeSign {
    text::Sign sign;
    author::Bytes graphic;
    std::array<author::Rgb, 4> palette; // the colours its PNG is drawn in
};

// The colours a decoded sign graphic's pixel values are drawn in: its palette under colour
// systems 1 and 2, white on black under 0.
std::array<author::Rgb, 4> signPalette(const Bitmap &bitmap);

// The sign and graphic of a request whose fonts are on the shelf. Refusals come back as one
// line in `reason`: std::errc::invalid_argument for a requestError(), text::Errc::fontNotFound
// for a font not on the shelf, and the errors of text::compose and text::encode (a missing
// character, text that does not fit, a key the library does not read).
Result<MadeSign> makeSign(const SignRequest &request, const Shelf &shelf, std::string &reason);

} // namespace qrvx::cli
