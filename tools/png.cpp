// `qrvx png`: a graphic as an RGB PNG file.
#include "colour_option.hpp"
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "qrvx.hpp"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

namespace qrvx::cli {
namespace {

// FILE with the extension .png; never the input itself.
std::string defaultOutput(const std::string &input) {
    std::filesystem::path output(input);
    output.replace_extension(".png");
    return output == std::filesystem::path(input) ? input + ".png" : output.string();
}

struct PngCommandOptions {
    std::string file;
    std::string output;
    std::string foreground = "#FFFFFF";
    std::string background = "#000000";
    std::optional<std::string> title;
};

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

int runPng(const PngCommandOptions &options) {
    const std::vector<std::uint8_t> bytes = readGraphic(options.file);
    const Graphic graphic{bytes};
    if (auto failure = exportFailure(options.file, graphic)) {
        throw *failure;
    }
    const std::string title =
        options.title.value_or(std::filesystem::path(options.file).filename().string());
    PngOptions png;
    png.foreground = *parseColour(options.foreground);
    png.background = *parseColour(options.background);
    png.title = title.c_str();
    OutputFile file(options.output.empty() ? defaultOutput(options.file) : options.output);
    std::error_code error = writePng(graphic, file.temporaryPath().c_str(), png);
    if (!error && file.empty()) { // the export writes nothing for an image without pixels
        error = std::make_error_code(std::errc::no_message_available);
    }
    if (error) {
        if (auto failure = drawingFailure(options.file, graphic)) {
            throw *failure;
        }
        throw Failure(file.name(), "writing PNG", error);
    }
    file.commit();
    return 0;
}

} // namespace

Command addPngCommand(CLI::App &app) {
    auto options = std::make_shared<PngCommandOptions>();
    CLI::App *command = app.add_subcommand("png", "Draw a graphic as an RGB PNG file");
    command->add_option("FILE", options->file, "Graphic file")->required();
    command->add_option("-o,--output", options->output,
                        "PNG file, - for standard output (default: FILE as .png)");
    addMonochromeColours(*command, options->foreground, options->background);
    command->add_option("--title", options->title, "Title text of the PNG (default: FILE's name)");
    return {command, [options] { return runPng(*options); }};
}

} // namespace qrvx::cli
