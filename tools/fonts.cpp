// `qrvx fonts`: the sign fonts built into the tool, as a list and as a picture.
#include "commands.hpp"
#include "failure.hpp"
#include "font_specimen.hpp"
#include "report.hpp"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

namespace qrvx::cli {
namespace {

constexpr std::string_view labelFont = "sign-7";

struct FontsCommandOptions {
    std::optional<std::string> output;
    std::optional<std::string> sample;
};

std::vector<text::Font> loadBuiltInFonts() {
    std::vector<text::Font> fonts;
    for (const text::BuiltInFont &builtIn : text::builtInFonts()) {
        const std::string name(builtIn.name);
        auto font = text::Font::load(name);
        if (!font) {
            throw Failure(name, "loading the font", font.error());
        }
        fonts.push_back(std::move(*font));
    }
    return fonts;
}

void printFonts(std::span<const text::Font> fonts) {
    Table table;
    table.add({"NAME", "HEIGHT", "CAP", "CHARACTERS", "DESCRIPTION"});
    for (std::size_t index = 0; index < fonts.size(); ++index) {
        const text::Font &font = fonts[index];
        table.add({font.name(), std::to_string(font.ascent() + font.descent()),
                   std::to_string(font.capHeight()), std::to_string(font.glyphCount()),
                   std::string(text::builtInFonts()[index].description)});
    }
    for (std::size_t column = 1; column <= 3; ++column) {
        table.alignRight(column);
    }
    table.print(std::cout);
}

int runFonts(const FontsCommandOptions &options) {
    if (options.sample && !options.output) {
        return usage("--sample needs -o");
    }
    const std::vector<text::Font> fonts = loadBuiltInFonts();
    if (options.output != "-") {
        printFonts(fonts);
    }
    if (options.output && !fonts.empty()) {
        const auto label = std::find_if(fonts.begin(), fonts.end(), [](const text::Font &font) {
            return font.name() == labelFont;
        });
        writeSpecimen(*options.output, fonts, label == fonts.end() ? fonts.front() : *label,
                      options.sample);
    }
    return 0;
}

} // namespace

Command addFontsCommand(CLI::App &app) {
    auto options = std::make_shared<FontsCommandOptions>();
    CLI::App *command = app.add_subcommand("fonts", "List the built-in sign fonts");
    command->add_option("-o,--output", options->output,
                        "Also draw every character of every built-in font into this PNG file "
                        "(- for standard output, without the list)");
    command->add_option("--sample", options->sample,
                        "Draw this text in each font instead of every character");
    return {command, [options] { return runFonts(*options); }};
}

} // namespace qrvx::cli
