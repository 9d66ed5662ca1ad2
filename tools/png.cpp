// `qrvx png`: a graphic as an RGB PNG file.
#include "colour_option.hpp"
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "graphic_png.hpp"
#include "qrvx.hpp"

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

int runPng(const PngCommandOptions &options) {
    const bool fromStandardInput = options.file == standardInput;
    if (fromStandardInput && options.output.empty()) {
        return usage("FILE - (standard input) needs -o: it has no name to give the PNG");
    }
    const std::vector<std::uint8_t> bytes = readGraphic(options.file);
    const std::string title = options.title.value_or(
        fromStandardInput ? std::string()
                          : std::filesystem::path(options.file).filename().string());
    PngOptions png;
    png.foreground = *parseColour(options.foreground);
    png.background = *parseColour(options.background);
    png.title = title.c_str();
    OutputFile file(options.output.empty() ? defaultOutput(options.file) : options.output);
    writeGraphicPng(inputName(options.file), Graphic{bytes}, file, png);
    file.commit();
    return 0;
}

} // namespace

Command addPngCommand(CLI::App &app) {
    auto options = std::make_shared<PngCommandOptions>();
    CLI::App *command = app.add_subcommand("png", "Draw a graphic as an RGB PNG file");
    command->add_option("FILE", options->file, "Graphic file, - for standard input")->required();
    command->add_option(
        "-o,--output", options->output,
        "PNG file, - for standard output (default: FILE as .png; required when FILE is -)");
    addMonochromeColours(*command, options->foreground, options->background);
    command->add_option("--title", options->title,
                        "Title text of the PNG (default: FILE's name, none for standard input)");
    return {command, [options] { return runPng(*options); }};
}

} // namespace qrvx::cli
