// Image colours to pixel values: lit or unlit, or an index into a palette of four.
#include "author.hpp"

#include <cstddef>
#include <new>

namespace qrvx::author {
namespace {

constexpr std::size_t paletteSize = 4;

Rgb pixelAt(const ImageView &image, std::size_t index) {
    const std::uint8_t *rgb = image.rgb.data() + 3 * index;
    return {rgb[0], rgb[1], rgb[2]};
}

std::string pixelText(const ImageView &image, std::size_t index, Rgb colour) {
    return "pixel (" + std::to_string(index % image.width) + ", " +
           std::to_string(index / image.width) + ") " + hexColour(colour);
}

unsigned luminance(Rgb c) {
    return (299u * c.red + 587u * c.green + 114u * c.blue) / 1000u;
}

bool lit(Rgb colour, const Options &options) {
    if (options.threshold) {
        return luminance(colour) >= *options.threshold;
    }
    return !(colour == options.background);
}

std::uint32_t squaredDistance(Rgb a, Rgb b) {
    const auto square = [](int d) { return static_cast<std::uint32_t>(d * d); };
    return square(a.red - b.red) + square(a.green - b.green) + square(a.blue - b.blue);
}

std::optional<std::uint8_t> exactIndex(const std::vector<Rgb> &palette, Rgb colour) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == colour) {
            return static_cast<std::uint8_t>(i);
        }
    }
    return std::nullopt;
}

std::uint8_t nearestIndex(const std::vector<Rgb> &palette, Rgb colour) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette.size(); ++i) {
        if (squaredDistance(palette[i], colour) < squaredDistance(palette[best], colour)) {
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// The image's first four distinct colours in reading order, padded with black.
std::vector<Rgb> paletteOfImage(const ImageView &image, std::size_t pixels) {
    std::vector<Rgb> palette;
    for (std::size_t i = 0; i < pixels && palette.size() < paletteSize; ++i) {
        if (!exactIndex(palette, pixelAt(image, i))) {
            palette.push_back(pixelAt(image, i));
        }
    }
    palette.resize(paletteSize, Rgb{});
    return palette;
}

Result<MappedImage> mapToPalette(const ImageView &image, const Options &options, std::size_t pixels,
                                 std::string *reason) {
    MappedImage mapped;
    mapped.palette = options.palette
                         ? std::vector<Rgb>(options.palette->begin(), options.palette->end())
                         : paletteOfImage(image, pixels);
    mapped.values.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const Rgb colour = pixelAt(image, i);
        const auto index = exactIndex(mapped.palette, colour);
        if (!index && !options.nearest) {
            return refuse(reason, options.palette ? Errc::colourNotInPalette : Errc::tooManyColours,
                          pixelText(image, i, colour));
        }
        mapped.values[i] = index ? *index : nearestIndex(mapped.palette, colour);
    }
    return mapped;
}

MappedImage mapToLight(const ImageView &image, const Options &options, std::size_t pixels) {
    MappedImage mapped;
    mapped.values.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        mapped.values[i] = lit(pixelAt(image, i), options) ? 1 : 0;
    }
    return mapped;
}

} // namespace

Result<MappedImage> mapColours(const ImageView &image, const Options &options,
                               std::string *reason) noexcept {
    try {
        const std::uint64_t pixelCount = std::uint64_t{image.width} * image.height;
        if (image.rgb.size() % 3 != 0 || image.rgb.size() / 3 != pixelCount) {
            return refuse(reason, Errc::invalidImage,
                          std::to_string(image.rgb.size()) + " bytes for " +
                              std::to_string(image.width) + " x " + std::to_string(image.height));
        }
        if (options.colourSystem > 2) {
            return refuse(reason, Errc::invalidOptions,
                          "colour system " + std::to_string(options.colourSystem));
        }
        const auto pixels = static_cast<std::size_t>(pixelCount); // the span holds them all
        if (options.colourSystem == 0) {
            return mapToLight(image, options, pixels);
        }
        return mapToPalette(image, options, pixels, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::author
