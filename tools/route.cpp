// `qrvx program` and `qrvx mark`: putting a route number into a graphic and marking it done.
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "qrvx.hpp"

#include <memory>

namespace qrvx::cli {
namespace {

struct ProgramCommandOptions {
    std::string target;
    std::string source;
    std::string output;
};

// The library answers with an errno value only; this names the graphic at fault and why.
Failure programFailure(const std::string &targetName, const std::string &sourceName,
                       ByteSpan target, ByteSpan source, std::error_code error) {
    const auto sourceParameters = parameters(source);
    if (!sourceParameters) {
        return Failure(sourceName, "parsing parameters", sourceParameters.error());
    }
    const auto targetParameters = parameters(target);
    if (!targetParameters) {
        return Failure(targetName, "parsing parameters", targetParameters.error());
    }
    if (error == std::errc::operation_not_supported) {
        if (targetParameters->rasterDirection != sourceParameters->rasterDirection) {
            return Failure(targetName, "raster direction differs from the source's", error);
        }
        if (targetParameters->colourSystem != sourceParameters->colourSystem) {
            return Failure(targetName, "colour system differs from the source's", error);
        }
        return Failure(targetName, "not programmable (no RL or RR key)", error);
    }
    if (error == std::errc::file_exists) {
        return Failure(targetName, "already holds a route number", error);
    }
    if (error == std::errc::no_message_available) { // ENODATA
        return Failure(sourceName, "holds no route number (no @RP byte count)", error);
    }
    if (error == std::errc::argument_list_too_long) { // E2BIG
        return Failure(targetName, "too small for the source's route number", error);
    }
    if (error == std::errc::invalid_argument) {
        return Failure(sourceName, "holds fewer pixel bytes than its route number", error);
    }
    return Failure(targetName, "programming the route number", error);
}

int runProgram(const ProgramCommandOptions &options) {
    if (options.target == standardInput && options.source == standardInput) {
        return usage("TARGET and SOURCE cannot both be - (standard input)");
    }
    const std::vector<std::uint8_t> target = readGraphic(options.target);
    const std::vector<std::uint8_t> source = readGraphic(options.source);
    const auto programmed = programRouteNumber(Graphic{target}, Graphic{source});
    if (!programmed) {
        throw programFailure(inputName(options.target), inputName(options.source), target, source,
                             programmed.error());
    }
    writeFile(options.output, programmed->bytes());
    return 0;
}

struct MarkCommandOptions {
    std::string file;
    std::string output;
};

int runMark(const MarkCommandOptions &options) {
    if (options.file == standardInput && options.output.empty()) {
        return usage("FILE - (standard input) needs -o: it cannot be marked in place");
    }
    std::vector<std::uint8_t> bytes = readGraphic(options.file);
    const auto length = markRouteNumberProgrammed(bytes);
    if (!length) {
        const bool noKey = length.error() == std::errc::no_such_file_or_directory;
        throw Failure(inputName(options.file),
                      noKey ? "no RL or RR key to delete" : "marking as programmed",
                      length.error());
    }
    const std::span<const std::uint8_t> marked(bytes.data(), *length);
    if (!options.output.empty()) {
        writeFile(options.output, marked);
    } else if (*length != bytes.size()) { // a graphic without parameters stays as it is
        writeFile(options.file, marked, existingMode(options.file));
    }
    return 0;
}

} // namespace

Command addProgramCommand(CLI::App &app) {
    auto options = std::make_shared<ProgramCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "program", "Write a copy of TARGET whose reserved route-number area holds SOURCE's "
                   "route number (under SOURCE's parameters)");
    command
        ->add_option("TARGET", options->target,
                     "Graphic with an RL or RR key, - for standard input")
        ->required();
    command
        ->add_option("SOURCE", options->source,
                     "Graphic with an @RP route number, - for standard input (not both)")
        ->required();
    command
        ->add_option("-o,--output", options->output,
                     "File for the programmed graphic, - for standard output")
        ->required();
    return {command, [options] { return runProgram(*options); }};
}

Command addMarkCommand(CLI::App &app) {
    auto options = std::make_shared<MarkCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "mark", "Mark a graphic as programmed: delete its first RL (else RR) key");
    command->add_option("FILE", options->file, "Graphic file, - for standard input")->required();
    command->add_option("-o,--output", options->output,
                        "File for the marked graphic, - for standard output (default: FILE, "
                        "replaced only on success; required when FILE is -)");
    return {command, [options] { return runMark(*options); }};
}

} // namespace qrvx::cli
