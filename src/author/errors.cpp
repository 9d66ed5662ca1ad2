// The error category of refused images, options and keys.
#include "author.hpp"

#include <cstdio>

namespace qrvx::author {
namespace {

class Category : public std::error_category {
public:
    const char *name() const noexcept override { return "qrvx::author"; }

    std::string message(int value) const override {
        switch (static_cast<Errc>(value)) {
        case Errc::notPng:
            return "not a PNG file";
        case Errc::corruptPng:
            return "truncated or corrupt PNG";
        case Errc::emptyImage:
            return "the image has no pixels";
        case Errc::imageTooLarge:
            return "the image is too large for a graphic";
        case Errc::invalidImage:
            return "the pixel bytes do not match the image size";
        case Errc::invalidOptions:
            return "invalid options";
        case Errc::tooManyColours:
            return "more than four colours";
        case Errc::colourNotInPalette:
            return "a colour outside the palette";
        case Errc::unreadableKey:
            return "a key the library does not read";
        case Errc::contradictingKey:
            return "a key that encoding writes itself";
        case Errc::parameterTextTooLong:
            return "parameter text longer than 255 bytes";
        case Errc::pixelsLikeScrollMarker:
            return "pixel data that begins like a scroll marker";
        case Errc::routeNumberTooLarge:
            return "a route number larger than 65535 bytes a plane";
        case Errc::routeNumberUnsupported:
            return "colour system 1 route numbers need a vertical raster";
        case Errc::readBackDiffers:
            return "the library reads the graphic back differently";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category &errorCategory() noexcept {
    static const Category category;
    return category;
}

std::error_code refuse(std::string *reason, Errc error, std::string text) {
    if (reason != nullptr) {
        *reason = std::move(text);
    }
    return error;
}

std::string hexColour(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

} // namespace qrvx::author
