// `qrvx text`: a sign graphic drawn from lines of text in sign fonts.
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "sign_report.hpp"
#include "sign_request.hpp"

#include <iostream>
#include <memory>

namespace qrvx::cli {
namespace {

struct TextCommandOptions {
    SignRequest request;
    std::string output;
    bool json = false;
};

int runText(const TextCommandOptions &options) {
    if (options.json && options.output == "-") {
        return usage("--json and -o - both write to standard output");
    }
    if (auto why = requestError(options.request)) {
        return usage(*why);
    }
    Shelf shelf;
    if (auto failure = shelf.loadFor(options.request)) {
        std::cerr << "qrvx: " << *failure << '\n';
        return operationFailed;
    }
    std::string reason;
    const auto made = makeSign(options.request, shelf, reason);
    if (!made) {
        return refused(options.output, made.error(), reason);
    }
    for (const std::string &warning : made->sign.report.warnings) {
        std::cerr << "qrvx: warning: " << warning << '\n';
    }
    writeFile(options.output, made->graphic);
    if (options.json) {
        std::cout << signReportJson(made->sign).dump(2) << '\n';
    }
    return 0;
}

} // namespace

Command addTextCommand(CLI::App &app) {
    auto options = std::make_shared<TextCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "text", "Make a sign graphic from one to three lines of text in sign fonts");
    command->add_option("LINE", options->request.lines, "A line of text (UTF-8), one to three")
        ->required()
        ->expected(1, 3);
    command->add_option("-o,--output", options->output, "Graphic file, - for standard output")
        ->required();
    command->add_flag("--json", options->json,
                      "Print what fitting chose on standard output, as JSON");
    command
        ->add_option("--short", options->request.shortLines,
                     "A line of the destination's short wording, tried when nothing of the full "
                     "one fits; once a line, up to three")
        ->type_name("LINE")
        ->allow_extra_args(false);
    addSignOptions(*command, options->request);
    return {command, [options] { return runText(*options); }};
}

} // namespace qrvx::cli
