// `qrvx png`: a graphic as an RGB PNG file.
#include "colour_option.hpp"
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "qrvx.hpp"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

namespace qrvx::cli {
namespace {

Colour parseColour(std::string_view text) {
    const std::uint32_t value = *parseHexColour(text);
    return Colour{value >> 16, (value >> 8) & 0xFFu, value & 0xFFu};
}

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

int runPng(const PngCommandOptions &options) {
    const std::vector<std::uint8_t> bytes = readGraphic(options.file);
    const Graphic graphic{bytes};
    {
        // Decoded first, so that a failure is laid at the right file's door.
        const auto bitmap = Bitmap::decode(graphic);
        if (!bitmap) {
            throw Failure(options.file, "decoding", bitmap.error());
        }
        if (bitmap->width() == 0 || bitmap->height() == 0) {
            throw Failure(options.file, "no pixels to draw", ENODATA);
        }
    }
    const std::string output =
        options.output.empty() ? defaultOutput(options.file) : options.output;
    const std::string title =
        options.title.value_or(std::filesystem::path(options.file).filename().string());
    PngOptions png;
    png.foreground = parseColour(options.foreground);
    png.background = parseColour(options.background);
    png.title = title.c_str();
    OutputFile file(output);
    if (const std::error_code error = writePng(graphic, file.temporaryPath().c_str(), png)) {
        throw Failure(output, "writing PNG", error);
    }
    file.commit();
    return 0;
}

} // namespace

Command addPngCommand(CLI::App &app) {
    auto options = std::make_shared<PngCommandOptions>();
    CLI::App *command = app.add_subcommand("png", "Draw a graphic as an RGB PNG file");
    command->add_option("FILE", options->file, "Graphic file")->required();
    command->add_option("-o,--output", options->output, "PNG file (default: FILE as .png)");
    command->add_option("--fg", options->foreground, "Colour of set pixels of a monochrome graphic")
        ->check(colourValidator)
        ->capture_default_str();
    command
        ->add_option("--bg", options->background, "Colour of clear pixels of a monochrome graphic")
        ->check(colourValidator)
        ->capture_default_str();
    command->add_option("--title", options->title, "Title text of the PNG (default: FILE's name)");
    return {command, [options] { return runPng(*options); }};
}

} // namespace qrvx::cli
