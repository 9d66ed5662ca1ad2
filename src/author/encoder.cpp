// An image to the bytes of a graphic: map its colours (unless they are pixel values already),
// pack them, frame them with the parameter block and scroll marker, and read the result back
// through the library before handing it out.
#include "author.hpp"
#include "graphic/packed_writer.hpp"

#include <algorithm>
#include <limits>
#include <new>

namespace qrvx::author {
namespace {

constexpr std::uint8_t scrollMarkerByte = 'U';

PackedFormat packedFormat(const Options &options) {
    return {options.colourSystem, options.raster == RasterDirection::vertical
                                      ? Raster::columnsLsbFirst
                                      : Raster::rowsMsbFirst};
}

// The line size is read as a signed 32-bit number, and the decoded image (lines of whole bytes)
// must count its pixels in 32 bits.
std::error_code checkSize(Size image, const Options &options, std::string *reason) {
    const std::string size = std::to_string(image.width) + " x " + std::to_string(image.height);
    if (image.width == 0 || image.height == 0) {
        return refuse(reason, Errc::emptyImage, size);
    }
    const LineShape shape = lineShape(image, options);
    const std::uint64_t padded = (std::uint64_t{shape.lineLength} + 7) / 8 * 8;
    if (shape.lineLength > std::numeric_limits<std::int32_t>::max() ||
        padded * shape.lines > std::numeric_limits<std::uint32_t>::max()) {
        return refuse(reason, Errc::imageTooLarge, size);
    }
    return {};
}

Bytes packed(Size image, const Options &options, ByteSpan values) {
    const PixelGrid grid{values, image.width, image.height};
    Bytes out(packedSize(grid, packedFormat(options)));
    packPixels(grid, packedFormat(options), out);
    return out;
}

bool beginsLikeScrollMarker(const Bytes &pixels) {
    return pixels.size() >= 2 && pixels[0] == scrollMarkerByte && pixels[1] <= 1;
}

Bytes framed(const std::string &text, ScrollMarker scroll, const Bytes &pixels) {
    const std::string block = parameterBlock(text);
    Bytes out(block.begin(), block.end());
    if (scroll != ScrollMarker::none) {
        out.push_back(scrollMarkerByte);
        out.push_back(scroll == ScrollMarker::one ? 1 : 0);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// The scroll mode the library reports for the marker that framed() writes.
std::uint32_t scrollModeOf(ScrollMarker scroll) {
    switch (scroll) {
    case ScrollMarker::none:
        return 0;
    case ScrollMarker::one:
        return 1;
    default:
        return 2;
    }
}

// Padding pixels of a row read back as 0.
bool sameValues(const Bitmap &bitmap, Size image, const Options &options, ByteSpan values) {
    const std::uint32_t width =
        options.raster == RasterDirection::vertical ? image.width : (image.width + 7u) / 8u * 8u;
    if (bitmap.width() != width || bitmap.height() != image.height) {
        return false;
    }
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t value =
                x < image.width ? values[std::size_t{y} * image.width + x] : 0;
            if (bitmap.row(y)[x] != value) {
                return false;
            }
        }
    }
    return true;
}

// Palette words repeat each 8-bit value in all four bytes.
bool samePalette(const Bitmap &bitmap, const std::vector<Rgb> &palette) {
    if (bitmap.palette().size() != palette.size()) {
        return false;
    }
    constexpr std::uint32_t repeat = 0x01010101u;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Colour &entry = bitmap.palette()[i];
        if (entry.red != palette[i].red * repeat || entry.green != palette[i].green * repeat ||
            entry.blue != palette[i].blue * repeat) {
            return false;
        }
    }
    return true;
}

// The graphic as QRVX_parse reads it: the values, palette and scroll marker, or why not.
std::error_code readBack(const Bytes &graphic, Size image, const Options &options, ByteSpan values,
                         const std::vector<Rgb> &palette, std::string *reason) {
    const Result<Bitmap> bitmap = Bitmap::decode(Graphic{graphic});
    if (!bitmap) {
        return bitmap.error();
    }
    if (!sameValues(*bitmap, image, options, values) || !samePalette(*bitmap, palette) ||
        bitmap->scrollMode() != scrollModeOf(options.scroll)) {
        const auto parts = sections(graphic);
        const auto header = static_cast<std::ptrdiff_t>(
            parts ? parts->parameterBlock.size() + parts->scrollMarker.size() : 0);
        return refuse(reason, Errc::readBackDiffers,
                      "header '" + std::string(graphic.begin(), graphic.begin() + header) + "'");
    }
    return {};
}

// Values in the colour system's terms, with the palette their graphic carries.
Result<Bytes> encodeMapped(Size image, const Options &options, ByteSpan values,
                           const std::vector<Rgb> &palette, std::string *reason) {
    const auto own = ownKeys(image, options, palette, reason);
    if (!own) {
        return own.error();
    }
    const auto text = parameterText(*own, options, reason);
    if (!text) {
        return text.error();
    }
    const Bytes pixels = packed(image, options, values);
    if (options.scroll == ScrollMarker::none && beginsLikeScrollMarker(pixels)) {
        return refuse(reason, Errc::pixelsLikeScrollMarker,
                      "the pixel data starts \"U\" 0x0" + std::to_string(pixels[1]) +
                          ", which reads as a scroll marker");
    }
    Bytes graphic = framed(*text, options.scroll, pixels);
    if (const std::error_code error = readBack(graphic, image, options, values, palette, reason)) {
        return error;
    }
    return graphic;
}

Result<Bytes> encodeImage(const ImageView &image, const Options &options, std::string *reason) {
    const Size size{image.width, image.height};
    if (const std::error_code error = checkSize(size, options, reason)) {
        return error;
    }
    const auto mapped = mapColours(image, options, reason);
    if (!mapped) {
        return mapped.error();
    }
    return encodeMapped(size, options, mapped->values, mapped->palette, reason);
}

Result<Bytes> encodeGivenValues(const ValuesView &image, const Options &options,
                                std::string *reason) {
    const Size size{image.width, image.height};
    if (const std::error_code error = checkSize(size, options, reason)) {
        return error;
    }
    if (image.values.size() != std::size_t{image.width} * image.height) {
        return refuse(reason, Errc::invalidImage,
                      std::to_string(image.values.size()) + " values for " +
                          std::to_string(image.width) + " x " + std::to_string(image.height));
    }
    const std::uint8_t highest = options.colourSystem == 0 ? 1 : 3;
    if (const auto above =
            std::ranges::find_if(image.values, [&](std::uint8_t value) { return value > highest; });
        above != image.values.end()) {
        return refuse(reason, Errc::invalidImage,
                      "value " + std::to_string(*above) + " under colour system " +
                          std::to_string(options.colourSystem));
    }
    std::vector<Rgb> palette;
    if (options.colourSystem != 0) {
        if (!options.palette) {
            return refuse(reason, Errc::invalidOptions, "pixel values need a palette");
        }
        palette.assign(options.palette->begin(), options.palette->end());
    }
    return encodeMapped(size, options, image.values, palette, reason);
}

} // namespace

Result<Bytes> encode(const ImageView &image, const Options &options, std::string *reason) noexcept {
    try {
        return encodeImage(image, options, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

Result<Bytes> encodeValues(const ValuesView &image, const Options &options,
                           std::string *reason) noexcept {
    try {
        return encodeGivenValues(image, options, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::author
