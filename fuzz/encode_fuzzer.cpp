// Making graphics: arbitrary bytes read as a PNG and encoded; every graphic made decodes to
// exactly the values that colour mapping chose, and every refusal is one of the documented ones.
//   control bits 1-3: horizontal raster, nearest palette colour, a scroll marker "U" 0x01;
//   control bits 4-5: the colour system (3 reads as 0).
// Chunk checksums are rewritten first, so that mutations reach past libpng's CRC check.
#include "fuzz_input.hpp"
#include "qrvx_author.hpp"

#include <zlib.h>

namespace {

using namespace qrvx::author;
using qrvx::fuzz::FuzzInput;

// Encoding images past this many pixels costs memory, not coverage. Reading is not limited: its
// memory must follow the data, whatever size the header declares.
constexpr std::uint64_t maxPixels = 1u << 20;

std::uint32_t bigEndian(const std::uint8_t *bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// Rewrites the checksum of every whole chunk.
void fixChecksums(std::span<std::uint8_t> png) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = bigEndian(&png[at]);
        if (length > png.size() - at - 12) {
            return;
        }
        const auto crc =
            static_cast<std::uint32_t>(crc32(0, &png[at + 4], static_cast<uInt>(length + 4)));
        for (int i = 0; i < 4; ++i) {
            png[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
        at += length + 12;
    }
}

Options optionsOf(const FuzzInput &input) {
    Options options;
    options.colourSystem = (input.control() >> 4 & 3) % 3;
    options.raster = input.option(0) ? RasterDirection::horizontal : RasterDirection::vertical;
    options.nearest = input.option(1);
    options.scroll = input.option(2) ? ScrollMarker::one : ScrollMarker::none;
    return options;
}

void checkDecodes(const Bytes &graphic, const Image &image, const Options &options) {
    const auto mapped = mapColours(image.view(), options);
    const auto bitmap = qrvx::Bitmap::decode(qrvx::Graphic{graphic});
    FUZZ_CHECK(mapped && bitmap && bitmap->height() == image.height);
    const std::uint32_t width = bitmap->width();
    FUZZ_CHECK(width == (options.raster == RasterDirection::vertical ? image.width
                                                                     : (image.width + 7) / 8 * 8));
    for (std::size_t i = 0; i < std::size_t{width} * image.height; ++i) {
        const std::size_t x = i % width;
        FUZZ_CHECK(bitmap->pixels()[i] ==
                   (x < image.width ? mapped->values[i / width * image.width + x] : 0));
    }
}

bool documentedRefusal(std::error_code error, const Options &options) {
    return error == Errc::imageTooLarge ||
           (error == Errc::pixelsLikeScrollMarker && options.scroll == ScrollMarker::none) ||
           (error == Errc::tooManyColours && !options.nearest);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    fixChecksums(input.payload());
    const auto image = readPng(input.payload(), {0, 0, 0});
    if (!image) {
        FUZZ_CHECK(image.error().category() == errorCategory() ||
                   image.error() == std::errc::not_enough_memory);
        return 0;
    }
    FUZZ_CHECK(image->rgb.size() == std::size_t{3} * image->width * image->height);
    if (std::uint64_t{image->width} * image->height > maxPixels) {
        return 0;
    }
    const Options options = optionsOf(input);
    const auto graphic = encode(image->view(), options);
    if (!graphic) {
        FUZZ_CHECK(documentedRefusal(graphic.error(), options));
        return 0;
    }
    checkDecodes(*graphic, *image, options);
    return 0;
}
