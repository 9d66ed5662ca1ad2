// qrvx text: destination signs from text (libqrvx_text, beside libqrvx and libqrvx_author).
//
// - Fonts come through FreeType: the built-in sign fonts (drawn for this library, loaded from
//   memory), any font file FreeType reads (BDF, PCF, PCF.GZ, OTB, TTF, OTF), or a fontconfig
//   pattern. A Font is immutable once loaded and cheap to copy: load it once and share it, also
//   between threads.
// - compose() is a pure function: text and layout options in, a sign's pixel values and a report
//   of what fitting did out. It reads no file, loads no font and prints nothing.
// - A character that no font of its line has is refused by name, never skipped or replaced.
// - Lines are placed by their capitals. Ink that would then fall outside the sign (accents above
//   the first line, descenders below the last) moves the lines, or the route number, by the
//   fewest rows that keep it inside; when no move can, it is refused, or cut and reported under
//   Overflow::clip, never lost silently. Nothing is drawn into a reserved route-number area.
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
}

// A font at one pixel size, every glyph of its Unicode map rendered once when it is loaded.
class QRVX_TEXT_API Font {
public:
    // FONT is a built-in name ("sign-7"), a file path (a scalable font takes its pixel size
    // after "@": "DejaVuSans.ttf@12"; a bitmap font with several sizes may too), or a fontconfig
    // pattern ("Terminus:pixelsize=16"; bitmap fonts allowed). Errors: Errc::fontNotFound,
    // Errc::fontUnreadable, std::errc values of reading the file, std::errc::not_enough_memory.
    static Result<Font> load(std::string_view fontName, std::string *reason = nullptr) noexcept;
    // The same from a font file's bytes (copied); `name` is what reports call it.
    static Result<Font> fromMemory(ByteSpan bytes, std::string_view name,
                                   std::optional<std::uint32_t> pixelSize = std::nullopt,
                                   std::string *reason = nullptr) noexcept;

    const std::string &name() const noexcept;
    bool builtIn() const noexcept;
    std::uint32_t pixelSize() const noexcept;
    std::int32_t ascent() const noexcept;    // rows above the baseline
    std::int32_t descent() const noexcept;   // rows below it
    std::int32_t capHeight() const noexcept; // ink rows of the capitals, for vertical alignment
    // Columns between letters when the layout sets none: 1 for the built-in fonts, which are
    // drawn without side bearings, 0 for others, whose advances carry their own.
    std::uint32_t naturalSpacing() const noexcept;
    const Glyph *glyph(char32_t character) const noexcept; // null when the font lacks it
    std::size_t glyphCount() const noexcept;

private:
    explicit Font(std::shared_ptr<const detail::FontData> data) noexcept;
    std::shared_ptr<const detail::FontData> data_;
};

struct BuiltInFont {
    std::string_view name;        // "sign-7"
    std::string_view description; // what it is for
};
// The fonts that ship inside the library, in the order `qrvx fonts` lists them.
QRVX_TEXT_API std::span<const BuiltInFont> builtInFonts() noexcept;

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

// A route number drawn beside the text, `gap` columns away from it.
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
    std::vector<LineOptions> lines;     // 1 to 3
    std::optional<std::uint32_t> width; // none: the text's own width plus margins
    std::uint32_t height = 16;
    VerticalAlign verticalAlign = VerticalAlign::middle;
    std::uint32_t marginX = 1;               // columns left empty at either side
    std::uint32_t marginY = 0;               // rows left empty at top and bottom
    std::uint32_t lineGap = 2;               // rows between the capitals of two lines
    std::optional<std::uint32_t> spacing;    // columns between letters; none: the font's natural
    std::optional<std::uint32_t> spaceWidth; // the advance of " "; none: the font's own
    std::optional<RouteOptions> route;
    std::optional<Reserve> reserve;
    Overflow overflow = Overflow::refuse;
};

// Fit steps, in the order they are tried.
enum class FitStep {
    nextFont,        // a later font of the line's list
    lessSpacing,     // letter spacing reduced
    narrowerSpaces,  // spaces made narrower
    brokenIntoLines, // one line broken at a space into two
    clipped,         // cut at its room or the sign's top or bottom (Overflow::clip only)
};
QRVX_TEXT_API std::string_view fitStepName(FitStep step) noexcept; // "next-font", ...

struct LineReport {
    std::string text; // as drawn (NFC; one part of a broken line)
    std::string font; // the name of the font used
    std::uint32_t spacing = 0;
    std::uint32_t spaceWidth = 0;
    std::vector<FitStep> steps;  // the steps taken, in order (nextFont once a change of font)
    std::uint32_t width = 0;     // columns used
    std::uint32_t available = 0; // columns the line had
    std::int32_t x = 0;          // left end of the line on the sign
    std::int32_t baseline = 0;   // row of the baseline: the first row below the capitals
};

struct Report {
    std::vector<LineReport> lines;
    std::optional<LineReport> route;
    std::vector<std::string> warnings; // one line each, e.g. what clipping cut
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

// Errors: Errc::invalidUtf8, Errc::missingCharacter, Errc::doesNotFit, Errc::invalidLayout,
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
