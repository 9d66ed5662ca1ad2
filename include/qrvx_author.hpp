// qrvx authoring: sign graphics made from images (libqrvx_author, beside libqrvx).
//
// - Inputs are spans and plain records; results are qrvx::Result values whose errors are
//   std::error_code: qrvx::author::Errc for refused input, std::errc for memory and files.
// - Functions that can refuse take an optional `reason`, which receives one line in words on
//   failure (the pixel and its colour, the key, libpng's message).
// - A graphic made here reads back through libqrvx (QRVX_parse) to exactly the pixel values
//   encoding chose: encode() checks that before it hands the bytes out.
//
// Colour mapping, pixel by pixel:
// - Colour system 0: a pixel is lit (1) unless it has the background colour (default black, as
//   `qrvx png` draws unlit pixels). With a threshold instead, a pixel is lit when its luminance
//   (299 R + 587 G + 114 B) / 1000 is at least the threshold: light on dark, for anti-aliased
//   artwork.
// - Colour systems 1 and 2: the pixel value is the index of its colour in a palette of four:
//   the one given, or else the image's distinct colours in the order they first appear (top row
//   first, left to right), padded to four with black. A colour found twice takes the first
//   index. A colour outside the palette (a fifth colour) is refused, unless `nearest` maps it to
//   the closest palette colour (squared RGB distance, the lower index on a tie); without a
//   palette given, the first four colours then make the palette.
// - The palette is written as "PA".."PD" in decimal 0xBBGGRR: red in bits 0-7, green in 8-15,
//   blue in 16-23.
// - A horizontal raster's rows are whole bytes wide: a width that is no multiple of 8 is padded
//   on the right with pixel value 0, which the library reads back as part of the image.
#ifndef QRVX_AUTHOR_HPP
#define QRVX_AUTHOR_HPP

#include "qrvx.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#if defined(__GNUC__)
#define QRVX_AUTHOR_API __attribute__((visibility("default")))
#else
#define QRVX_AUTHOR_API
#endif

namespace qrvx::author {

enum class Errc {
    notPng = 1,             // the bytes do not start with the PNG signature
    corruptPng,             // libpng gave up: truncated, corrupt, unsupported
    emptyImage,             // width or height 0
    imageTooLarge,          // past the line size or pixel count a graphic can hold
    invalidImage,           // pixel bytes that are not width x height x 3
    invalidOptions,         // a colour system outside 0-2, a route code outside 1-3
    tooManyColours,         // a fifth colour without a palette or `nearest`
    colourNotInPalette,     // a colour outside the given palette without `nearest`
    unreadableKey,          // a key the library does not read, or a value it cannot
    contradictingKey,       // a key that encoding writes itself (VE, HE, CS, PA-PD, ...)
    parameterTextTooLong,   // more than 255 bytes of parameter text
    pixelsLikeScrollMarker, // without a marker, pixel data starting "U" 0x00/0x01
    routeNumberTooLarge,    // a route number of more than 65535 bytes a plane
    routeNumberUnsupported, // colour system 1 route numbers in rows
    readBackDiffers,        // the library reads the graphic differently (a defect)
};

QRVX_AUTHOR_API const std::error_category &errorCategory() noexcept;

inline std::error_code make_error_code(Errc error) noexcept {
    return {static_cast<int>(error), errorCategory()};
}

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb &) const = default;
};

// width x height pixels, row after row, three bytes (red, green, blue) a pixel (borrowed).
struct ImageView {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ByteSpan rgb;
};

struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes rgb;

    ImageView view() const noexcept { return {width, height, rgb}; }
};

// width x height pixel values, row after row (borrowed), already in a colour system's terms:
// 0 or 1 under colour system 0, indices 0-3 into the palette under 1 and 2.
struct ValuesView {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ByteSpan values;
};

// A PNG of any colour type and bit depth as 8-bit RGB (colour chunks such as gAMA are not
// applied). Pixels with alpha below 128 (half transparent or more) take the colour
// `transparent`; the others keep their own colour, unblended. Sizes: at most 1,000,000 pixels a
// side and 2^32 - 1 pixels, interlaced at most 2^20 pixels (Errc::imageTooLarge says which).
// Memory grows with the rows the data brings, not with the size the header declares: data that
// ends early is refused in the row where it ends (Errc::corruptPng). Errors: Errc::notPng,
// Errc::corruptPng, Errc::emptyImage, Errc::imageTooLarge, std::errc::not_enough_memory.
QRVX_AUTHOR_API Result<Image> readPng(ByteSpan png, Rgb transparent = {},
                                      std::string *reason = nullptr) noexcept;
// The same from a file; errors of opening and reading it are std::errc values.
QRVX_AUTHOR_API Result<Image> readPngFile(const char *path, Rgb transparent = {},
                                          std::string *reason = nullptr) noexcept;

enum class RasterDirection { vertical, horizontal };
enum class ScrollMarker { none, zero, one }; // none, "U" 0x00, "U" 0x01
enum class RouteSide { start, end };

// The whole image as the route number of a sign: "@RP<code>/<bytes a plane>/<0 start, 1 end>"
// and "RL"/"RR" with its lines (columns of a vertical raster, rows of a horizontal one).
struct RouteNumber {
    RouteSide side = RouteSide::start;
    std::uint16_t code = 1; // 1-3
};

struct Options {
    std::uint32_t colourSystem = 0; // 0 monochrome, 1 two one-bit planes, 2 two bits a pixel
    RasterDirection raster = RasterDirection::vertical;
    std::optional<std::array<Rgb, 4>> palette; // colour systems 1 and 2
    bool nearest = false;                      // colour systems 1 and 2
    Rgb background{};                          // colour system 0
    std::optional<std::uint8_t> threshold;     // colour system 0, in place of background
    std::optional<RouteNumber> routeNumber;
    // Further comma-separated keys after the ones encoding writes ("RL16,FG3"). Each must be one
    // the library reads, with an empty or decimal value ("@RP" takes "a/b/c"), and none of those
    // encoding writes itself ("VE", "HE", "CS", "PA".."PD"; with routeNumber "@RP", "RL", "RR").
    std::string_view keys;
    ScrollMarker scroll = ScrollMarker::none;
};

// The pixel values of image (0/1, or palette indices 0-3), row after row, and the palette
// used (four entries under colour systems 1 and 2, none under 0). Errors: Errc::invalidImage,
// Errc::invalidOptions, Errc::tooManyColours, Errc::colourNotInPalette.
struct MappedImage {
    Bytes values;
    std::vector<Rgb> palette;
};
QRVX_AUTHOR_API Result<MappedImage> mapColours(const ImageView &image, const Options &options,
                                               std::string *reason = nullptr) noexcept;

// The graphic of image: "*NN" and the text "VE<height>" or "HE<width>", "CS<n>", "PA".."PD"
// (colour systems 1 and 2), the route-number keys, then options.keys; "*"; the scroll marker;
// the packed pixels. Errors: those of mapColours, Errc::emptyImage, Errc::imageTooLarge,
// Errc::unreadableKey, Errc::contradictingKey, Errc::parameterTextTooLong,
// Errc::pixelsLikeScrollMarker, Errc::routeNumberTooLarge, Errc::routeNumberUnsupported,
// std::errc::not_enough_memory.
QRVX_AUTHOR_API Result<Bytes> encode(const ImageView &image, const Options &options,
                                     std::string *reason = nullptr) noexcept;

// The graphic of pixel values that need no colour mapping, as encode() makes it; under colour
// systems 1 and 2 the palette is options.palette, which must be given. Errors: those of
// encode(), Errc::invalidImage also for a value the colour system does not have,
// Errc::invalidOptions for a missing palette.
QRVX_AUTHOR_API Result<Bytes> encodeValues(const ValuesView &image, const Options &options,
                                           std::string *reason = nullptr) noexcept;

} // namespace qrvx::author

template <>
struct std::is_error_code_enum<qrvx::author::Errc> : std::true_type {};

#endif // QRVX_AUTHOR_HPP
