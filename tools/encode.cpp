// `qrvx encode`: a PNG image as a sign graphic, ready to program.
#include "commands.hpp"
#include "encoding_option.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "made_output.hpp"
#include "qrvx_author.hpp"

#include <memory>

namespace qrvx::cli {
namespace {

using author::Rgb;

std::array<Rgb, 4> paletteOf(const std::string &text) {
    std::array<Rgb, 4> palette;
    parsePalette(text, palette);
    return palette;
}

struct EncodeCommandOptions {
    std::string image;
    MadeOutput made;
    std::uint32_t colourSystem = 0;
    std::string raster = "vertical";
    std::optional<std::string> palette;
    std::optional<std::string> background;
    std::optional<unsigned> threshold;
    bool nearest = false;
    std::string keys;
    std::optional<std::string> scroll;
    std::optional<std::string> routeSide;
    std::uint16_t routeCode = 1;
};

// The combinations CLI11 cannot check by itself.
std::optional<int> checkCombination(const EncodeCommandOptions &options) {
    if (auto why = madeOutputError(options.made)) {
        return usage(*why);
    }
    const bool monochrome = options.colourSystem == 0;
    if (monochrome && (options.palette || options.nearest)) {
        return usage("--palette and --nearest need --colour-system 1 or 2");
    }
    if (!monochrome && options.threshold) {
        return usage("--threshold needs --colour-system 0");
    }
    return std::nullopt;
}

// Transparent pixels: the background given, else the palette's first colour, else black.
Rgb transparentColour(const EncodeCommandOptions &options) {
    if (options.background) {
        return rgbOf(*parseHexColour(*options.background));
    }
    return options.palette ? paletteOf(*options.palette).front() : Rgb{};
}

author::Options authorOptions(const EncodeCommandOptions &options) {
    author::Options out;
    out.colourSystem = options.colourSystem;
    out.raster = *valueNamed(rasterNames, options.raster);
    if (options.palette) {
        out.palette = paletteOf(*options.palette);
    }
    out.nearest = options.nearest;
    out.background = options.background ? rgbOf(*parseHexColour(*options.background)) : Rgb{};
    if (options.threshold) {
        out.threshold = static_cast<std::uint8_t>(*options.threshold);
    }
    if (options.routeSide) {
        out.routeNumber =
            author::RouteNumber{*valueNamed(routeSideNames, *options.routeSide), options.routeCode};
    }
    out.keys = options.keys;
    if (options.scroll) {
        out.scroll = *valueNamed(scrollNames, *options.scroll);
    }
    return out;
}

int refusedImage(const std::string &file, std::error_code error, const std::string &reason) {
    return refused(file, error, reason,
                   error == author::Errc::pixelsLikeScrollMarker ? " (add one with --scroll 0 or 1)"
                                                                 : "");
}

// A file is read row by row; standard input is taken whole first.
Result<author::Image> readImage(const EncodeCommandOptions &options, std::string &reason) {
    if (options.image == standardInput) {
        const std::vector<std::uint8_t> png =
            readWhole(options.image, "the most the tool reads of an image");
        return author::readPng(png, transparentColour(options), &reason);
    }
    return author::readPngFile(options.image.c_str(), transparentColour(options), &reason);
}

int runEncode(const EncodeCommandOptions &options) {
    if (const auto status = checkCombination(options)) {
        return *status;
    }
    const std::string name = inputName(options.image);
    std::string reason;
    const auto image = readImage(options, reason);
    if (!image) {
        if (image.error().category() == std::generic_category()) {
            throw Failure(name, "reading", image.error());
        }
        return refusedImage(name, image.error(), reason);
    }
    const auto graphic = author::encode(image->view(), authorOptions(options), &reason);
    if (!graphic) {
        return refusedImage(name, graphic.error(), reason);
    }
    deliver(options.made, *graphic, name);
    return 0;
}

} // namespace

Command addEncodeCommand(CLI::App &app) {
    auto options = std::make_shared<EncodeCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "encode", "Make a graphic from a PNG image (transparent pixels count as the background)");
    command->add_option("IMAGE", options->image, "PNG image, - for standard input")->required();
    addMadeOutputOptions(*command, options->made);
    command
        ->add_option("--colour-system", options->colourSystem,
                     "0 monochrome, 1 two one-bit planes, 2 two bits a pixel")
        ->check(CLI::IsMember({0, 1, 2}))
        ->capture_default_str();
    command->add_option("--raster", options->raster, "Lines of the pixel data")
        ->check(CLI::IsMember(namesOf(rasterNames)))
        ->capture_default_str();
    command
        ->add_option("--palette", options->palette,
                     "Four colours for colour systems 1 and 2 (default: the image's colours in "
                     "the order they appear, padded with black)")
        ->check(paletteValidator);
    command->add_flag("--nearest", options->nearest,
                      "Map colours outside the palette to the nearest one");
    auto *background =
        command
            ->add_option("--bg", options->background,
                         "Unlit colour of colour system 0, and the colour of transparent pixels "
                         "(default #000000, or the palette's first colour)")
            ->check(colourValidator);
    command
        ->add_option("--threshold", options->threshold,
                     "Colour system 0: light pixels whose luminance is at least N")
        ->check(CLI::Range(0, 255))
        ->excludes(background);
    command->add_option("--keys", options->keys,
                        "Further parameter keys, e.g. 'RL16' or 'FG3,@RP1/32/0'");
    command->add_option("--scroll", options->scroll, "Write the scroll marker 'U' 0x00 or 0x01")
        ->check(CLI::IsMember(namesOf(scrollNames)));
    auto *route = command
                      ->add_option("--route-number", options->routeSide,
                                   "The image is a route number for the start or end of a sign")
                      ->check(CLI::IsMember(namesOf(routeSideNames)));
    command->add_option("--route-code", options->routeCode, "Route code of --route-number")
        ->check(CLI::Range(1, 3))
        ->needs(route)
        ->capture_default_str();
    return {command, [options] { return runEncode(*options); }};
}

} // namespace qrvx::cli
