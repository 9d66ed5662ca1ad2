#include "graphic_png.hpp"

#include "failure.hpp"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace qrvx::cli {
namespace {

// Why the graphic gives no picture: its decode fails or it has no pixels; nothing when it draws.
// The export decodes the graphic itself, so this runs only once something went wrong, and a
// graphic is decoded once when all goes well.
std::optional<Failure> drawingFailure(const std::string &input, const Graphic &graphic) {
    const auto bitmap = Bitmap::decode(graphic);
    if (!bitmap) {
        return Failure(input, "decoding", bitmap.error());
    }
    if (bitmap->width() == 0 || bitmap->height() == 0) {
        return Failure(input, "no pixels to draw", ENODATA);
    }
    return std::nullopt;
}

// What libpng would refuse, complaining on stderr, refused before the export: a graphic without
// pixel data, and one with a side past libpng's limit. A pixel takes a bit at least, so only
// pixel data of more than maxSide / 8 bytes can hold such a side: only that is decoded first.
std::optional<Failure> exportFailure(const std::string &input, const Graphic &graphic) {
    constexpr std::uint32_t maxSide = 1000000;
    const ByteSpan pixelData = sections(graphic.bytes).value().pixelData;
    if (pixelData.empty()) {
        return drawingFailure(input, graphic);
    }
    if (pixelData.size() <= maxSide / 8) {
        return std::nullopt;
    }
    const auto bitmap = Bitmap::decode(graphic);
    if (!bitmap || bitmap->width() == 0 || bitmap->height() == 0 ||
        std::max(bitmap->width(), bitmap->height()) <= maxSide) {
        return std::nullopt; // the export's result tells the rest
    }
    return Failure(input, "writing PNG",
                   std::to_string(bitmap->width()) + " x " + std::to_string(bitmap->height()) +
                       " pixels; PNG export stops at libpng's limit of " + std::to_string(maxSide) +
                       " pixels a side");
}

} // namespace

void writeGraphicPng(const std::string &input, const Graphic &graphic, OutputFile &file,
                     const PngOptions &options) {
    if (auto failure = exportFailure(input, graphic)) {
        throw *failure;
    }
    std::error_code error = writePng(graphic, file.temporaryPath().c_str(), options);
    if (!error && file.empty()) { // the export writes nothing for an image without pixels
        error = std::make_error_code(std::errc::no_message_available);
    }
    if (error) {
        if (auto failure = drawingFailure(input, graphic)) {
            throw *failure;
        }
        throw Failure(file.name(), "writing PNG", error);
    }
}

} // namespace qrvx::cli
