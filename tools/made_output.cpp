#include "made_output.hpp"

#include "file_io.hpp"
#include "graphic_png.hpp"
#include "terminal_drawing.hpp"

#include <CLI/CLI.hpp>

#include <iostream>

namespace qrvx::cli {
namespace {

// The colours of `qrvx png` without options: the graphic's palette, else white on black.
void writeSignPng(const std::string &output, const Graphic &graphic, const std::string &name) {
    PngOptions png;
    png.title = name.c_str();
    OutputFile file(output);
    writeGraphicPng(name, graphic, file, png);
    file.commit();
}

void drawSign(const author::Bytes &graphic, const std::string &name) {
    const Bitmap bitmap = decodeGraphic(name, graphic);
    const DrawingStyle style = terminalStyle();
    drawGraphic(std::cout, name, graphic, bitmap, style);
}

} // namespace

void addMadeOutputOptions(CLI::App &command, MadeOutput &made) {
    command.add_option("-o,--output", made.output,
                       "Graphic file, - for standard output; a name ending in .png (in any case) "
                       "gets the sign's PNG instead, as qrvx png draws the graphic");
    command.add_flag("--show", made.show,
                     "Draw the sign in the terminal as qrvx show does; -o is then optional (given, "
                     "the sign is written first)");
}

std::optional<std::string> madeOutputError(const MadeOutput &made) {
    if (made.output.empty() && !made.show) {
        return "-o or --show is required";
    }
    if (made.show && made.output == "-") {
        return "--show and -o - both write to standard output";
    }
    return std::nullopt;
}

void deliver(const MadeOutput &made, const author::Bytes &graphic, const std::string &name) {
    // A name that anything opening it takes for a PNG file.
    if (hasExtension(made.output, ".png")) {
        writeSignPng(made.output, Graphic{graphic}, name);
    } else if (!made.output.empty()) {
        writeFile(made.output, graphic);
    }
    if (made.show) {
        drawSign(graphic, name);
    }
}

} // namespace qrvx::cli
