// qrvx text: destination signs from text (libqrvx_text, beside libqrvx and libqrvx_author).
//
// - Fonts come through FreeType: the built-in sign fonts (drawn for this library, loaded from
//   memory), any font file FreeType reads (BDF, PCF, PCF.GZ, OTB, TTF, OTF), or a fontconfig
//   pattern. A Font is immutable once loaded and cheap to copy: load it once and share it, also
//   between threads.
// - compose() is a pure function: text and layout options in, a sign's pixel values and a report
//   of what fitting chose out. It reads no file, loads no font and prints nothing.
// - A character that no font of its line has is refused by name, never skipped or replaced.
// - Every sign keeps the legibility rules: at least one blank column between the ink of
//   neighbouring letters of a line; at least one wholly blank row between the ink of two lines;
//   all ink, the route number's included, on the sign (refused, or cut and reported under
//   Overflow::clip, never lost silently); one face and one spacing for all lines of a
//   destination unless the lines are given different font lists. Nothing is drawn into a
//   reserved route-number area.
// - Fitting is a choice, not a path: every candidate (wording, line breaks, face, spacing, space
//   width, abbreviations) is measured, those that break a rule or do not fit are dropped, and the
//   first in this order is taken:
//     1. the full wording before the short one, and no abbreviation before one: they are given
//        up last, only when nothing fits without them (full, short, then each with one more
//        abbreviation);
//     2. larger capitals before smaller: the fonts of a line in the order given (the default
//        lists put larger capitals first);
//     3. a regular face before its condensed twin (the default lists put each twin after it);
//     4. fewer lines before more, at the same face (a lone line may be broken into two or three);
//     5. the font's own letter spacing before less, and its own spaces before narrower ones;
//     6. balanced lines before unbalanced: among the breaks that fit, one after a comma or a
//        slash, before a parenthesis or before a connecting word ("via", "über", ...) first,
//        then one at a space, then one after a hyphen; never a line of one or two characters
//        when another break fits; then the narrowest widest line.
//   On a 16-row sign with the default fonts: one line of sign-14, then its condensed twin, then
//   one line of sign-6, two lines of it, one line of sign-6-narrow, two lines of it; then all of
//   these again with the short wording and with abbreviations; then a refusal that names the
//   closest candidate and what it lacked.
#ifndef QRVX_TEXT_HPP
#define QRVX_TEXT_HPP

#include "qrvx_author.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#if defined(__GNUC__)
#define QRVX_TEXT_API __attribute__((visibility("default")))
#else
#define QRVX_TEXT_API
#endif

namespace qrvx::text {

enum class Errc {
    fontNotFound = 1, // no such built-in font or file; fontconfig offered another family
    fontUnreadable,   // FreeType cannot open it, no Unicode map, no such size, no size given
    invalidUtf8,      // the reason gives the byte offset
    missingCharacter, // the reason names it (U+20AC "€") and the fonts of its line; also a
                      // control character (newline, tab, ...), by its code point
    doesNotFit,       // the reason gives the columns or rows needed and those available
    invalidLayout,    // no line or more than 3, a colour outside 1-3, a sign too small, ...
};

QRVX_TEXT_API const std::error_category &errorCategory() noexcept;

inline std::error_code make_error_code(Errc error) noexcept {
    return {static_cast<int>(error), errorCategory()};
}

// One glyph, rendered one bit a pixel: `rows` rows of `width` bytes (0 or 1), its top-left at
// (left, -top) from the pen on the baseline; the pen then moves by `advance`.
struct Glyph {
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t advance = 0;
    std::vector<std::uint8_t> pixels;
};

namespace detail {
struct FontData;
struct FontAccess;
} // namespace detail

// A font at one pixel size, every glyph of its Unicode map rendered once when it is loaded.
class QRVX_TEXT_API Font {
public:
    // FONT is a built-in name ("sign-7"), a file path (a scalable font takes its pixel size
    // after "@": "DejaVuSans.ttf@12"; a bitmap font with several sizes may too), or a fontconfig
    // pattern ("Terminus:pixelsize=16"; bitmap fonts allowed). Errors: Errc::fontNotFound,
    // Errc::fontUnreadable, std::errc values of reading the file, std::errc::not_enough_memory.
    static Result<Font> load(std::string_view fontName, std::string *reason = nullptr) noexcept;
    // FONT at every size that could set a line of a sign `rows` rows high, largest first, for
    // fitting to choose from: a scalable font named without a size at each pixel size whose
    // capitals fit (down to 6 pixels), a bitmap font with several sizes named without one at
    // each of its strikes whose capitals fit; any other font as load() gives it. Each size is
    // named as it would be asked for ("DejaVuSans.ttf@14"). Errors: those of load(), and
    // Errc::fontUnreadable when no size fits.
    static Result<std::vector<Font>> loadSizes(std::string_view fontName, std::uint32_t rows,
                                               std::string *reason = nullptr) noexcept;
    // The same from a font file's bytes (copied); `name` is what reports call it.
    static Result<Font> fromMemory(ByteSpan bytes, std::string_view name,
                                   std::optional<std::uint32_t> pixelSize = std::nullopt,
                                   std::string *reason = nullptr) noexcept;

    const std::string &name() const noexcept;
    bool builtIn() const noexcept;
    // A narrowed face: "Condensed" or "Narrow" in a bitmap font's SETWIDTH_NAME, or an OS/2
    // width class below normal.
    bool condensed() const noexcept;
    std::uint32_t pixelSize() const noexcept;
    std::int32_t ascent() const noexcept;    // rows above the baseline
    std::int32_t descent() const noexcept;   // rows below it
    std::int32_t capHeight() const noexcept; // ink rows of the capitals, for vertical alignment
    // Columns between letters when the layout sets none: 1 for the built-in fonts, which are
    // drawn without side bearings, 0 for others, whose advances carry their own. Fitting never
    // sets letters closer than one blank column of ink, whatever this or the layout says.
    std::uint32_t naturalSpacing() const noexcept;
    const Glyph *glyph(char32_t character) const noexcept; // null when the font lacks it
    std::size_t glyphCount() const noexcept;

private:
    friend struct detail::FontAccess;
    explicit Font(std::shared_ptr<const detail::FontData> data) noexcept;
    std::shared_ptr<const detail::FontData> data_;
};

struct BuiltInFont {
    std::string_view name;        // "sign-7"
    std::string_view description; // what it is for
};
// The fonts that ship inside the library, in the order `qrvx fonts` lists them.
QRVX_TEXT_API std::span<const BuiltInFont> builtInFonts() noexcept;

// The built-in fonts fitting tries on a sign `rows` rows high when none are named, in fitting
// order. For text: the largest face one line of which fits the rows (sign-18, sign-14, sign-10,
// sign-8, sign-6), the largest two lines of which fit (sign-6 from 15 rows, sign-8 from 19,
// sign-10 from 23), the largest three lines of which fit (sign-6 from 23), each followed by its
// condensed twin: 11-14 rows take sign-10, 15 sign-10 and sign-6, 16-18 sign-14 and sign-6,
// 19-22 sign-14 and sign-8, 23 sign-14, sign-10 and sign-6, 24-28 sign-18, sign-10 and sign-6.
// For a route number: the largest route face that fits (route-16, route-19, route-24) and its
// condensed twin, then the text faces.
QRVX_TEXT_API std::vector<std::string_view> defaultFontNames(std::uint32_t rows) noexcept;
QRVX_TEXT_API std::vector<std::string_view> defaultRouteFontNames(std::uint32_t rows) noexcept;

// Sign makers' short forms: "Hauptbahnhof" -> "Hbf" replaces that whole word, "-straße" ->
// "-str." the end of a word ("Hansmannstraße" -> "Hansmannstr."). Fitting applies them only
// when nothing fits without them, one at a time from the end of the text.
struct Abbreviation {
    std::string full;
    std::string abbreviated;
};

namespace detail {
struct AbbreviationData;
}

// A checked table of abbreviations, immutable and cheap to copy.
class QRVX_TEXT_API Abbreviations {
public:
    Abbreviations() noexcept;
    // Each form UTF-8 (normalised to NFC), without control characters, not empty, without
    // spaces at its ends; an ending on both sides or on neither; each full form once. Errors:
    // Errc::invalidUtf8, Errc::invalidLayout (the reason names the entry by its number).
    static Result<Abbreviations> make(std::span<const Abbreviation> entries,
                                      std::string *reason = nullptr) noexcept;
    std::size_t size() const noexcept;

private:
    friend struct detail::AbbreviationData;
    explicit Abbreviations(std::shared_ptr<const detail::AbbreviationData> data) noexcept;
    std::shared_ptr<const detail::AbbreviationData> data_;
};

enum class Align { left, centre, right };
enum class VerticalAlign { top, middle, bottom };
enum class Side { start, end };
enum class Overflow { refuse, clip };

// One line of text. `fonts` is the fitting order (wide first, then condensed); `colour` is the
// pixel value drawn: 1 under colour system 0, a palette index 1-3 under 1 and 2.
struct LineOptions {
    std::string_view text; // UTF-8, normalised to NFC before it is drawn
    std::vector<Font> fonts;
    std::uint8_t colour = 1;
    Align align = Align::centre;
};

// A route number drawn beside the text, `gap` columns away from it. Its fonts are tried in
// order: the first whose ink fits the sign's rows and leaves room for text is taken.
struct RouteOptions {
    std::string_view text;
    std::vector<Font> fonts;
    std::uint8_t colour = 1;
    Side side = Side::start;
    std::uint32_t gap = 2;
};

// Columns kept empty for a route number programmed later ("RL<columns>" / "RR<columns>").
struct Reserve {
    Side side = Side::start;
    std::uint32_t columns = 0;
};

struct Layout {
    std::vector<LineOptions> lines; // 1 to 3; a lone line may be broken into two or three
    // The destination's shorter wording, 1 to 3 lines (none: no short wording), tried when
    // nothing of the full wording fits; line i is drawn as lines[i] (or the last line) is.
    std::vector<std::string_view> shortLines;
    Abbreviations abbreviations;        // tried last, one more at a time
    std::optional<std::uint32_t> width; // none: the text's own width plus margins
    std::uint32_t height = 16;
    VerticalAlign verticalAlign = VerticalAlign::middle;
    std::uint32_t marginX = 1;               // columns left empty at either side
    std::uint32_t marginY = 0;               // rows left empty at top and bottom
    std::uint32_t lineGap = 2;               // rows at least between the capitals of two lines
    std::optional<std::uint32_t> spacing;    // columns between letters; none: the font's natural
    std::optional<std::uint32_t> spaceWidth; // the advance of " "; none: the font's own
    std::optional<RouteOptions> route;
    std::optional<Reserve> reserve;
    Overflow overflow = Overflow::refuse;
};

// How the chosen layout of a line differs from the first choice (its first font, its own
// spacing and spaces, the lines as given, the full wording).
enum class FitStep {
    nextFont,        // a later font of the line's list
    condensedFace,   // a condensed face, after a wider one
    lessSpacing,     // letter spacing reduced (never below one blank column of ink)
    narrowerSpaces,  // spaces made narrower (to half their width at most)
    brokenIntoLines, // one line broken into two or three
    shortWording,    // the short wording instead of the full one
    abbreviated,     // abbreviations applied (Report::abbreviations)
    clipped,         // cut at its room or the sign's top or bottom (Overflow::clip only)
};
QRVX_TEXT_API std::string_view fitStepName(FitStep step) noexcept; // "next-font", ...

struct LineReport {
    std::string text; // as drawn (NFC; one part of a broken line)
    std::string font; // the name of the font used
    std::uint32_t spacing = 0;
    std::uint32_t spaceWidth = 0;
    std::vector<FitStep> steps;  // how its layout differs from the first choice, in enum order
    std::uint32_t width = 0;     // columns used
    std::uint32_t available = 0; // columns the line had
    std::int32_t x = 0;          // left end of the line on the sign
    std::int32_t baseline = 0;   // row of the baseline: the first row below the capitals
    // The fewest blank columns between the ink of two neighbouring letters (none: fewer than
    // two letters), and the wholly blank rows between its ink and the next line's (none: the
    // last line).
    std::optional<std::uint32_t> letterGap;
    std::optional<std::uint32_t> blankRowsBelow;
};

struct Report {
    std::vector<LineReport> lines;
    std::optional<LineReport> route;
    std::vector<Abbreviation> abbreviations; // applied, from the end of the text back
    std::vector<std::string> warnings;       // one line each, e.g. what clipping cut
    std::uint32_t candidatesMeasured = 0;    // layouts measured before the choice was made
};

// A composed sign: width x height pixel values (0 background, else the colour of what is
// drawn there), row after row.
struct Sign {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> values;
    std::optional<Reserve> reserve;
    Report report;
};

// Errors: Errc::invalidUtf8, Errc::missingCharacter, Errc::doesNotFit (the reason names the
// closest candidate and the columns or rows it lacked), Errc::invalidLayout,
// std::errc::not_enough_memory.
QRVX_TEXT_API Result<Sign> compose(const Layout &layout, std::string *reason = nullptr) noexcept;

// The sign as an RGB image: each pixel value v takes palette[v].
QRVX_TEXT_API Result<author::Image> toImage(const Sign &sign,
                                            const std::array<author::Rgb, 4> &palette) noexcept;

// The colours encode() draws a sign's values in under options: white on black under colour
// system 0; under 1 and 2 the palette of options, or black, white, amber, blue when none is given.
QRVX_TEXT_API std::array<author::Rgb, 4> palette(const author::Options &options) noexcept;

// The sign as a graphic: its reserve as "RL"/"RR" before options.keys, its values in
// palette(options). Errors: those of qrvx::author::encode.
QRVX_TEXT_API Result<author::Bytes> encode(const Sign &sign, const author::Options &options,
                                           std::string *reason = nullptr) noexcept;

} // namespace qrvx::text

template <>
struct std::is_error_code_enum<qrvx::text::Errc> : std::true_type {};

#endif // QRVX_TEXT_HPP
