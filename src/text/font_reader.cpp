// A font file's bytes through FreeType: the face opened from memory, its Unicode map, one pixel
// size chosen, every glyph rendered one bit a pixel with the flags it is measured with, then the
// face released. Hostile fonts meet caps on glyphs, glyph sides, pixels and metrics.
#include "text.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <limits>
#include <new>
#include <string_view>

namespace qrvx::text {
namespace {

constexpr std::size_t maxCharacters = 70'000;
constexpr unsigned maxGlyphSide = 1024;
constexpr std::uint64_t maxPixels = std::uint64_t{64} << 20; // all glyphs together
constexpr std::uint32_t maxPixelSize = 1024;
constexpr FT_Pos maxMetric = 4096; // advance, bearings, ascent and descent, in pixels
constexpr FT_ULong lastCodePoint = 0x10FFFF;
constexpr FT_Int32 renderFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
// The smallest pixel size offered for a sign: below it no face stays legible.
constexpr std::uint32_t smallestOfferedSize = 6;

struct LibraryDeleter {
    void operator()(FT_Library library) const noexcept { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const noexcept { FT_Done_Face(face); }
};
using LibraryOwner = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FaceOwner = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

std::error_code refuseFont(std::string *reason, const FontRequest &request, std::string text) {
    return refuse(reason, Errc::fontUnreadable, request.name + ": " + text);
}

std::error_code freetypeRefusal(std::string *reason, const FontRequest &request,
                                const std::string &what, FT_Error error) {
    if (error == FT_Err_Out_Of_Memory) {
        throw std::bad_alloc();
    }
    return refuseFont(reason, request, what + ": " + freetypeErrorText(error));
}

std::string hinted(const std::string &hint) {
    return hint.empty() ? "" : ": " + hint;
}

// A strike's size as fontconfig names it: its pixels per em, else its height.
std::uint32_t strikeSize(const FT_Bitmap_Size &strike) {
    return strike.y_ppem > 0 ? static_cast<std::uint32_t>((strike.y_ppem + 32) >> 6)
                             : static_cast<std::uint32_t>(std::max<FT_Short>(strike.height, 0));
}

std::string strikeSizes(FT_Face face) {
    std::string sizes;
    for (FT_Int i = 0; i < face->num_fixed_sizes; ++i) {
        sizes += (i == 0 ? "" : ", ") + std::to_string(strikeSize(face->available_sizes[i]));
    }
    return sizes;
}

// The strike of a bitmap font: the one of the size asked for, else its only one.
Result<FT_Int> chooseStrike(FT_Face face, const FontRequest &request, std::string *reason) {
    if (face->num_fixed_sizes <= 0) {
        return refuseFont(reason, request, "has neither outlines nor bitmap sizes");
    }
    if (!request.pixelSize) {
        if (face->num_fixed_sizes == 1) {
            return FT_Int{0};
        }
        return refuseFont(reason, request,
                          "has the sizes " + strikeSizes(face) + ": choose one" +
                              hinted(request.sizeHint));
    }
    for (FT_Int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size &strike = face->available_sizes[i];
        if (strikeSize(strike) == *request.pixelSize ||
            std::int64_t{strike.height} == std::int64_t{*request.pixelSize}) {
            return i;
        }
    }
    return refuseFont(reason, request,
                      "has no size " + std::to_string(*request.pixelSize) +
                          " (its sizes: " + strikeSizes(face) + ")");
}

// Scalable fonts are rendered at the size asked for; bitmap fonts keep one of their own.
Result<std::uint32_t> chooseSize(FT_Face face, const FontRequest &request, std::string *reason) {
    if (FT_IS_SCALABLE(face)) {
        if (!request.pixelSize) {
            return refuseFont(reason, request, "needs a pixel size" + hinted(request.sizeHint));
        }
        if (*request.pixelSize == 0 || *request.pixelSize > maxPixelSize) {
            return refuseFont(reason, request,
                              "pixel size " + std::to_string(*request.pixelSize) +
                                  " is outside 1-" + std::to_string(maxPixelSize));
        }
        if (const FT_Error error = FT_Set_Pixel_Sizes(face, 0, *request.pixelSize)) {
            return freetypeRefusal(reason, request, "cannot take that size", error);
        }
        return *request.pixelSize;
    }
    const auto strike = chooseStrike(face, request, reason);
    if (!strike) {
        return strike.error();
    }
    if (const FT_Error error = FT_Select_Size(face, *strike)) {
        return freetypeRefusal(reason, request, "cannot select its size", error);
    }
    return strikeSize(face->available_sizes[*strike]);
}

bool supportedMode(unsigned char mode) {
    return mode == FT_PIXEL_MODE_MONO || mode == FT_PIXEL_MODE_GRAY || mode == FT_PIXEL_MODE_BGRA;
}

// Row y from the top: a negative pitch means the rows are stored bottom first.
const unsigned char *rowOf(const FT_Bitmap &bitmap, unsigned y) {
    const auto pitch = static_cast<std::size_t>(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
    return bitmap.buffer + pitch * (bitmap.pitch < 0 ? bitmap.rows - 1 - y : y);
}

// One bit a pixel, most significant first; grey and colour bitmaps (embedded in some fonts)
// light where they are at least half covered.
std::uint8_t pixelAt(const FT_Bitmap &bitmap, const unsigned char *row, unsigned x) {
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        return static_cast<std::uint8_t>(row[x / 8] >> (7 - x % 8) & 1);
    case FT_PIXEL_MODE_GRAY:
        return row[x] >= 128 ? 1 : 0;
    default:
        return row[4 * std::size_t{x} + 3] >= 128 ? 1 : 0;
    }
}

bool withinMetric(FT_Pos value) {
    return value >= -maxMetric && value <= maxMetric;
}

// The glyph of index as it is drawn and measured; false when FreeType cannot render it, which
// leaves its character out of the font.
Result<bool> renderGlyph(FT_Face face, FT_UInt index, char32_t character, Glyph &glyph,
                         std::uint64_t &pixels, const FontRequest &request, std::string *reason) {
    if (FT_Load_Glyph(face, index, renderFlags) != 0) {
        return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap &bitmap = slot->bitmap;
    const std::uint64_t area = std::uint64_t{bitmap.width} * bitmap.rows;
    if (!supportedMode(bitmap.pixel_mode) || (area != 0 && bitmap.buffer == nullptr)) {
        return false;
    }
    if (bitmap.width > maxGlyphSide || bitmap.rows > maxGlyphSide) {
        return refuseFont(reason, request,
                          "the glyph of " + characterName(character) + " is " +
                              std::to_string(bitmap.width) + " x " + std::to_string(bitmap.rows) +
                              " pixels, more than " + std::to_string(maxGlyphSide) + " a side");
    }
    const FT_Pos advance = slot->advance.x >> 6;
    if (advance < 0 || !withinMetric(advance) || !withinMetric(slot->bitmap_left) ||
        !withinMetric(slot->bitmap_top)) {
        return refuseFont(reason, request,
                          "the glyph of " + characterName(character) +
                              " has an advance or bearing outside 0-" + std::to_string(maxMetric));
    }
    pixels += area;
    if (pixels > maxPixels) {
        return refuseFont(reason, request, "its glyphs take more than 64 Mi pixels");
    }
    glyph.width = bitmap.width;
    glyph.rows = bitmap.rows;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.advance = static_cast<std::int32_t>(advance);
    glyph.pixels.resize(area);
    for (unsigned y = 0; y < bitmap.rows; ++y) {
        const unsigned char *row = rowOf(bitmap, y);
        for (unsigned x = 0; x < bitmap.width; ++x) {
            glyph.pixels[std::size_t{y} * bitmap.width + x] = pixelAt(bitmap, row, x);
        }
    }
    return true;
}

// Every character of the Unicode map with the glyph it draws, in ascending order.
std::error_code renderCharacters(FT_Face face, detail::FontData &data, const FontRequest &request,
                                 std::string *reason) {
    std::vector<std::pair<char32_t, Glyph>> drawn;
    std::uint64_t pixels = 0;
    std::size_t seen = 0;
    FT_UInt index = 0;
    for (FT_ULong code = FT_Get_First_Char(face, &index); index != 0;) {
        if (++seen > maxCharacters) {
            return refuseFont(reason, request, "maps more than 70,000 characters");
        }
        if (code <= lastCodePoint) {
            Glyph glyph;
            const auto character = static_cast<char32_t>(code);
            const auto rendered =
                renderGlyph(face, index, character, glyph, pixels, request, reason);
            if (!rendered) {
                return rendered.error();
            }
            if (*rendered) {
                drawn.emplace_back(character, std::move(glyph));
            }
        }
        const FT_ULong next = FT_Get_Next_Char(face, code, &index);
        if (next <= code) {
            break;
        }
        code = next;
    }
    std::ranges::stable_sort(drawn, {}, &std::pair<char32_t, Glyph>::first);
    for (auto &[character, glyph] : drawn) {
        if (data.characters.empty() || data.characters.back() != character) {
            data.characters.push_back(character);
            data.glyphs.push_back(std::move(glyph));
        }
    }
    return {};
}

std::int32_t wholePixelsUp(FT_Pos value) {
    return static_cast<std::int32_t>(std::clamp<FT_Pos>((value + 63) >> 6, -maxMetric, maxMetric));
}

std::optional<std::int32_t> bdfCapHeight(FT_Face face) {
    BDF_PropertyRec property{};
    if (FT_Get_BDF_Property(face, "CAP_HEIGHT", &property) != 0) {
        return std::nullopt;
    }
    if (property.type == BDF_PROPERTY_TYPE_INTEGER) {
        return property.u.integer;
    }
    if (property.type == BDF_PROPERTY_TYPE_CARDINAL) {
        return static_cast<std::int32_t>(std::min<FT_UInt32>(property.u.cardinal, maxMetric));
    }
    return std::nullopt;
}

detail::GlyphInk inkOf(const Glyph &glyph) {
    detail::GlyphInk ink{std::numeric_limits<std::int32_t>::max(), 0,
                         std::numeric_limits<std::int32_t>::max(), 0};
    for (std::uint32_t y = 0; y < glyph.rows; ++y) {
        for (std::uint32_t x = 0; x < glyph.width; ++x) {
            if (glyph.pixels[std::size_t{y} * glyph.width + x] != 0) {
                const auto column = glyph.left + static_cast<std::int32_t>(x);
                const auto row = static_cast<std::int32_t>(y) - glyph.top;
                ink = {std::min(ink.left, column), std::max(ink.right, column + 1),
                       std::min(ink.top, row), std::max(ink.bottom, row + 1)};
            }
        }
    }
    return ink.left < ink.right ? ink : detail::GlyphInk{};
}

// Rows of ink above the baseline.
std::optional<std::int32_t> inkHeight(const detail::GlyphInk &ink) {
    return ink.inked() ? std::optional(-ink.top) : std::nullopt;
}

// Bitmap fonts say so in their SETWIDTH_NAME, outline fonts in their OS/2 width class.
bool isCondensed(FT_Face face) {
    BDF_PropertyRec property{};
    if (FT_Get_BDF_Property(face, "SETWIDTH_NAME", &property) == 0 &&
        property.type == BDF_PROPERTY_TYPE_ATOM && property.u.atom != nullptr) {
        const std::string_view setwidth = property.u.atom;
        return setwidth.find("ondensed") != setwidth.npos ||
               setwidth.find("arrow") != setwidth.npos;
    }
    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 != nullptr && os2->version != 0xFFFF && os2->usWidthClass > 0 &&
           os2->usWidthClass < 5;
}

// The capitals whose ink gives a face's capital height, the first one it has.
constexpr std::u32string_view capitalsMeasured = U"HX0";

std::int32_t capHeightOf(FT_Face face, const detail::FontData &data) {
    std::optional<std::int32_t> height = bdfCapHeight(face);
    for (const char32_t capital : capitalsMeasured) {
        const auto found = std::ranges::lower_bound(data.characters, capital);
        if (!height && found != data.characters.end() && *found == capital) {
            height =
                inkHeight(data.inks[static_cast<std::size_t>(found - data.characters.begin())]);
        }
    }
    return std::clamp<std::int32_t>(height.value_or(data.ascent), 0, maxMetric);
}

// A face opened from memory with its Unicode map selected; the library goes first when it ends.
struct OpenFace {
    LibraryOwner library;
    FaceOwner face;
};

Result<OpenFace> openFace(ByteSpan bytes, const FontRequest &request, std::string *reason) {
    FT_Library rawLibrary = nullptr;
    if (const FT_Error error = FT_Init_FreeType(&rawLibrary)) {
        return freetypeRefusal(reason, request, "FreeType cannot start", error);
    }
    OpenFace open{LibraryOwner(rawLibrary), nullptr};
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<FT_Long>::max())) {
        return refuseFont(reason, request, "too large");
    }
    FT_Face rawFace = nullptr;
    if (const FT_Error error =
            FT_New_Memory_Face(open.library.get(), bytes.data(), static_cast<FT_Long>(bytes.size()),
                               request.faceIndex, &rawFace)) {
        return freetypeRefusal(reason, request, "FreeType cannot read it", error);
    }
    open.face.reset(rawFace);
    if (FT_Select_Charmap(rawFace, FT_ENCODING_UNICODE) != 0) {
        return refuseFont(reason, request, "has no Unicode character map");
    }
    return open;
}

// The capitals' rows at a pixel size, from the ink of a capital: FreeType's own metrics
// include room for accents.
std::optional<std::int32_t> capitalRowsAt(FT_Face face, std::uint32_t pixelSize) {
    if (FT_Set_Pixel_Sizes(face, 0, pixelSize) != 0) {
        return std::nullopt;
    }
    for (const char32_t capital : capitalsMeasured) {
        const FT_UInt index = FT_Get_Char_Index(face, capital);
        if (index == 0) {
            continue;
        }
        Glyph glyph;
        std::uint64_t pixels = 0;
        const auto rendered = renderGlyph(face, index, capital, glyph, pixels, {}, nullptr);
        if (rendered && *rendered) {
            return inkHeight(inkOf(glyph));
        }
    }
    return std::nullopt;
}

} // namespace

Result<std::vector<std::uint32_t>> sizesToTry(ByteSpan bytes, const FontRequest &request,
                                              std::uint32_t rows, std::string *reason) {
    auto open = openFace(bytes, request, reason);
    if (!open) {
        return open.error();
    }
    FT_Face face = open->face.get();
    std::vector<std::uint32_t> sizes;
    if (FT_IS_SCALABLE(face)) {
        // Capitals are never taller than the pixel size; from there down, each size whose
        // capitals fit, as far as three lines could ever need.
        const std::uint32_t largest = std::min(2 * rows, maxPixelSize);
        for (std::uint32_t size = largest; size >= smallestOfferedSize; --size) {
            const auto capitals = capitalRowsAt(face, size);
            if (capitals && *capitals <= static_cast<std::int32_t>(rows)) {
                sizes.push_back(size);
            }
        }
    } else if (face->num_fixed_sizes > 1) {
        for (FT_Int i = 0; i < face->num_fixed_sizes; ++i) {
            const FT_Bitmap_Size &strike = face->available_sizes[i];
            if (FT_Select_Size(face, i) == 0 &&
                capitalRowsAt(face, strikeSize(strike)).value_or(strike.height) <=
                    static_cast<std::int32_t>(rows)) {
                sizes.push_back(strikeSize(strike));
            }
        }
        std::ranges::sort(sizes, std::greater<>());
    } else {
        return sizes;
    }
    if (sizes.empty()) {
        return refuseFont(reason, request,
                          "has no size whose capitals fit " + std::to_string(rows) + " rows");
    }
    return sizes;
}

Result<FontDataPointer> readFont(ByteSpan bytes, const FontRequest &request, std::string *reason) {
    auto open = openFace(bytes, request, reason);
    if (!open) {
        return open.error();
    }
    const FaceOwner &face = open->face;
    const auto size = chooseSize(face.get(), request, reason);
    if (!size) {
        return size.error();
    }
    auto data = std::make_shared<detail::FontData>();
    data->name = request.name;
    data->builtIn = request.builtIn;
    data->pixelSize = *size;
    data->ascent = wholePixelsUp(face->size->metrics.ascender);
    data->descent = wholePixelsUp(-face->size->metrics.descender);
    if (const std::error_code error = renderCharacters(face.get(), *data, request, reason)) {
        return error;
    }
    data->inks.reserve(data->glyphs.size());
    for (const Glyph &glyph : data->glyphs) {
        data->inks.push_back(inkOf(glyph));
    }
    data->capHeight = capHeightOf(face.get(), *data);
    data->condensed = isCondensed(face.get());
    if (data->glyphs.size() < 0xFFFF) {
        data->quickIndex.assign(detail::FontData::quickCharacters, 0);
        for (std::size_t i = 0; i < data->characters.size(); ++i) {
            if (data->characters[i] < detail::FontData::quickCharacters) {
                data->quickIndex[data->characters[i]] = static_cast<std::uint16_t>(i + 1);
            }
        }
    }
    return FontDataPointer(std::move(data));
}

} // namespace qrvx::text
