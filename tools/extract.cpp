// `qrvx extract`: the packed image of a vertical-raster graphic, as the sign stores it.
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "qrvx.hpp"
#include "report.hpp"

#include <iostream>
#include <memory>

namespace qrvx::cli {
namespace {

struct ExtractCommandOptions {
    std::string file;
    std::string output;
    bool excludeRoute = false;
    bool trimLeading = false;
    bool trimTrailing = false;
};

int runExtract(const ExtractCommandOptions &options) {
    const std::vector<std::uint8_t> bytes = readGraphic(options.file);
    ExtractOptions flags{};
    flags.excludeRouteNumber = options.excludeRoute ? 1 : 0;
    flags.trimLeading = options.trimLeading ? 1 : 0;
    flags.trimTrailing = options.trimTrailing ? 1 : 0;
    const auto image = extractImage(Graphic{bytes}, flags);
    if (!image) {
        const bool horizontal = image.error() == std::errc::operation_not_supported;
        throw Failure(inputName(options.file),
                      horizontal ? "extracting the image of a horizontal raster"
                                 : "extracting the image",
                      image.error());
    }
    const bool twoPlanes = image->colourSystem == 1;
    OutputFile file(options.output);
    file.write(image->data);
    file.write(image->secondPlane);
    file.commit();

    const std::size_t length = image->data.size();
    Table table;
    table.add({"columns", std::to_string(image->columnCount)});
    table.add({"column size", std::to_string(image->columnSize)});
    table.add({"planes", twoPlanes ? "2" : "1"});
    table.add({"length", std::to_string(length) + (twoPlanes ? " bytes a plane" : " bytes")});
    table.add(
        {"offset", image->data.empty() ? "-" : std::to_string(image->data.data() - bytes.data())});
    table.add(
        {"written", file.name() + ", " + std::to_string(length * (twoPlanes ? 2 : 1)) + " bytes"});
    table.print(options.output == "-" ? std::cerr : std::cout);
    return 0;
}

} // namespace

Command addExtractCommand(CLI::App &app) {
    auto options = std::make_shared<ExtractCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "extract", "Write the packed image bytes of a vertical-raster graphic (both planes, one "
                   "after the other, for colour system 1)");
    command->add_option("FILE", options->file, "Graphic file, - for standard input")->required();
    command
        ->add_option(
            "-o,--output", options->output,
            "File for the image bytes, - for standard output (the summary then goes to stderr)")
        ->required();
    command->add_flag("--exclude-route", options->excludeRoute, "Leave the route-number area out");
    command->add_flag("--trim-leading", options->trimLeading,
                      "Drop blank columns at the start (colour system 0)");
    command->add_flag("--trim-trailing", options->trimTrailing,
                      "Drop blank columns at the end (colour system 0)");
    return {command, [options] { return runExtract(*options); }};
}

} // namespace qrvx::cli
