// A composed sign as an RGB image and as a graphic: its reserve becomes the reservation key, and
// its values go to the encoder as they are, lit or dark under colour system 0, indices into the
// palette under the others.
#include "text.hpp"

#include <algorithm>
#include <new>

namespace qrvx::text {
namespace {

using author::Rgb;
using Palette = std::array<Rgb, 4>;

constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Palette monochrome{black, white, white, white};
constexpr Palette signColours{black, white, Rgb{0xFF, 0xB0, 0x00}, Rgb{0x00, 0x60, 0xD0}};

bool repeatsAColour(const Palette &palette) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
        for (std::size_t j = i + 1; j < palette.size(); ++j) {
            if (palette[i] == palette[j]) {
                return true;
            }
        }
    }
    return false;
}

Result<author::Image> imageOf(const Sign &sign, const Palette &palette) {
    if (sign.values.size() != std::size_t{sign.width} * sign.height) {
        return make_error_code(Errc::invalidLayout);
    }
    author::Image image{sign.width, sign.height, {}};
    image.rgb.reserve(sign.values.size() * 3);
    for (const std::uint8_t value : sign.values) {
        const Rgb &colour = palette[value & 3];
        image.rgb.insert(image.rgb.end(), {colour.red, colour.green, colour.blue});
    }
    return image;
}

// "RL16" or "RR16", then the caller's keys.
std::string keysOf(const Sign &sign, std::string_view keys) {
    if (!sign.reserve) {
        return std::string(keys);
    }
    std::string text =
        (sign.reserve->side == Side::start ? "RL" : "RR") + std::to_string(sign.reserve->columns);
    if (!keys.empty()) {
        text += "," + std::string(keys);
    }
    return text;
}

// Values as the colour system has them: anything drawn is lit under colour system 0.
std::vector<std::uint8_t> monochromeValues(const Sign &sign) {
    std::vector<std::uint8_t> values(sign.values.size());
    std::ranges::transform(sign.values, values.begin(),
                           [](std::uint8_t value) -> std::uint8_t { return value != 0 ? 1 : 0; });
    return values;
}

Result<author::Bytes> encodeSign(const Sign &sign, const author::Options &options,
                                 std::string *reason) {
    if (sign.reserve && options.raster != author::RasterDirection::vertical) {
        return refuse(reason, author::Errc::invalidOptions,
                      "a reserved route-number area needs a vertical raster");
    }
    if (sign.values.size() != std::size_t{sign.width} * sign.height) {
        return refuse(reason, make_error_code(Errc::invalidLayout),
                      "the sign's values are not width x height");
    }
    author::Options own = options;
    const std::string keys = keysOf(sign, options.keys);
    own.keys = keys;
    std::vector<std::uint8_t> lit;
    std::span<const std::uint8_t> values = sign.values;
    if (options.colourSystem == 0) {
        lit = monochromeValues(sign);
        values = lit;
    } else {
        own.palette = palette(options);
        if (repeatsAColour(*own.palette)) {
            return refuse(reason, author::Errc::invalidOptions,
                          "the palette repeats a colour, so its values cannot be told apart");
        }
    }
    return author::encodeValues({sign.width, sign.height, values}, own, reason);
}

} // namespace

Palette palette(const author::Options &options) noexcept {
    return options.colourSystem == 0 ? monochrome : options.palette.value_or(signColours);
}

Result<author::Image> toImage(const Sign &sign, const Palette &palette) noexcept {
    try {
        return imageOf(sign, palette);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

Result<author::Bytes> encode(const Sign &sign, const author::Options &options,
                             std::string *reason) noexcept {
    try {
        return encodeSign(sign, options, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::text
