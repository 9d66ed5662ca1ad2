// What the text sources share: refusals with their reason, a font's data, how fonts are read,
// and text as characters.
#pragma once

#include "qrvx_text.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::text {

// The error of a refusal; its reason, when the caller asked for one, is text.
std::error_code refuse(std::string *reason, std::error_code error, std::string text);

// U+20AC "€".
std::string characterName(char32_t character);

namespace detail {

// Where a glyph's ink lies: columns [left, right) from the pen, rows [top, bottom) from the
// baseline (negative above it); all zero for a glyph without ink.
struct GlyphInk {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;

    bool inked() const { return left < right; }
};

// A loaded font: plain data, never changed after loading, so shared freely between threads.
struct FontData {
    std::string name;
    bool builtIn = false;
    bool condensed = false;
    std::uint32_t pixelSize = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    std::int32_t capHeight = 0;
    std::vector<char32_t> characters; // ascending; glyphs[i] draws characters[i]
    std::vector<Glyph> glyphs;
    std::vector<GlyphInk> inks; // of glyphs[i]
    // The glyph of each character below quickCharacters, plus one (0: none), so that the
    // scripts signs are written in are looked up without a search.
    std::vector<std::uint16_t> quickIndex;

    static constexpr char32_t quickCharacters = 0x800;
    // The index of character's glyph, none when the font lacks it.
    std::optional<std::size_t> indexOf(char32_t character) const noexcept;
};

// A font's data, for the measures that need more than its public face.
struct FontAccess {
    static const FontData &data(const Font &font) noexcept { return *font.data_; }
};

} // namespace detail

using FontDataPointer = std::shared_ptr<const detail::FontData>;

// How a font is asked for, so that a refusal can say how to ask better.
struct FontRequest {
    std::string name;                       // what reports call it
    std::optional<std::uint32_t> pixelSize; // the size to render or the strike to select
    long faceIndex = 0;                     // in a collection
    bool builtIn = false;
    std::string sizeHint; // how the caller gives a size ("DejaVuSans.ttf@N"), if by name
};

// A font file's bytes through FreeType, every glyph of its Unicode map rendered.
Result<FontDataPointer> readFont(ByteSpan bytes, const FontRequest &request, std::string *reason);

// The sizes a font file offers for a sign `rows` rows high, largest first: each pixel size of a
// scalable font whose capitals fit (down to a floor), each strike of a bitmap font whose
// capitals fit; empty when the font has a size of its own to take (one strike).
Result<std::vector<std::uint32_t>> sizesToTry(ByteSpan bytes, const FontRequest &request,
                                              std::uint32_t rows, std::string *reason);

// FreeType's words for one of its error codes.
const char *freetypeErrorText(int error) noexcept;

namespace detail {
// A font file built into the library; its size is read when it is used, since it is defined
// beside its bytes.
struct EmbeddedFont {
    const std::uint8_t *bytes;
    const std::size_t *size;
};
// The built-in fonts, and their files in the same order.
std::span<const BuiltInFont> builtInFontTable() noexcept;
std::span<const EmbeddedFont> embeddedFontTable() noexcept;
} // namespace detail

// The bytes of a built-in font, empty when there is no such font.
ByteSpan builtInFontBytes(std::string_view name) noexcept;

// A built-in font, read once a process and then shared.
Result<FontDataPointer> builtInFontData(std::string_view name, std::string *reason);

// What fontconfig chose for a pattern: a file, the face in it and the size asked for.
struct MatchedFont {
    std::string file;
    long faceIndex = 0;
    std::optional<std::uint32_t> pixelSize;
};
Result<MatchedFont> matchFontPattern(std::string_view pattern, std::string *reason);

// Text as it is drawn: NFC, as UTF-8 for reports and as characters for layout.
struct CheckedText {
    std::string utf8;
    std::u32string characters;
};
// Refuses invalid UTF-8 (Errc::invalidUtf8, with its byte offset) and control characters
// (Errc::missingCharacter, with the code point); `what` names the text in the reason.
// Refuses a layout that cannot make a sign (Errc::invalidLayout, with the reason).
std::error_code checkLayout(const Layout &layout, std::string *reason);

// Characters as UTF-8.
std::string utf8Of(std::u32string_view characters);

// A letter or digit of any script: what words are made of.
bool isLetterOrDigit(char32_t character);

Result<CheckedText> checkText(std::string_view text, std::string_view what, std::string *reason);

} // namespace qrvx::text
