// `qrvx show`: graphics drawn in the terminal, for a look at them where no image viewer is at
// hand. A file that cannot be read or decoded is reported and the others are still shown.
#include "colour_option.hpp"
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "terminal_drawing.hpp"

#include <iostream>
#include <memory>
#include <optional>

namespace qrvx::cli {
namespace {

struct ShowOptions {
    std::vector<std::string> files;
    std::string foreground = "#FFFFFF";
    std::string background = "#000000";
    bool plain = false;
    bool colour = false;
    std::optional<std::uint32_t> width;
};

DrawingStyle styleOf(const ShowOptions &options) {
    const bool forced = options.plain || options.colour;
    return {drawsInColour(forced ? std::optional(options.colour) : std::nullopt),
            terminalWidth(options.width), *parseColour(options.foreground),
            *parseColour(options.background)};
}

int runShow(const ShowOptions &options) {
    if (standardInputCount(options.files) > 1) {
        return usage(onceFromStandardInput);
    }
    const DrawingStyle style = styleOf(options);
    int status = 0;
    bool drawnAny = false;
    for (const std::string &file : options.files) {
        try {
            const std::string name = inputName(file);
            const std::vector<std::uint8_t> bytes = readGraphic(file);
            const Bitmap bitmap = decodeGraphic(name, bytes);
            std::cout << (drawnAny ? "\n" : "");
            drawGraphic(std::cout, name, bytes, bitmap, style);
            drawnAny = true;
        } catch (const Failure &failure) {
            std::cout.flush(); // the error below the pictures before it
            report(failure);
            status = 1;
        }
    }
    return status;
}

} // namespace

Command addShowCommand(CLI::App &app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App *command = app.add_subcommand("show", "Draw graphics in the terminal");
    command->add_option("FILE", options->files, "Graphic files, - for standard input")->required();
    addMonochromeColours(*command, options->foreground, options->background);
    CLI::Option *plain = command->add_flag(
        "--plain", options->plain,
        "Characters without colour (the default when stdout is no terminal or NO_COLOR is set)");
    command->add_flag("--colour,--color", options->colour, "Colour even into a file or pipe")
        ->excludes(plain);
    command
        ->add_option("--width", options->width,
                     "Columns of the terminal; a wider graphic is folded into bands (default: "
                     "the terminal's width, else COLUMNS, else 80)")
        ->check(CLI::Range(1u, 1000000u));
    return {command, [options] { return runShow(*options); }};
}

} // namespace qrvx::cli
