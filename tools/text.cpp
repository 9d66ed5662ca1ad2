// `qrvx text`: a sign graphic drawn from lines of text in sign fonts.
#include "commands.hpp"
#include "failure.hpp"
#include "made_output.hpp"
#include "sign_report.hpp"
#include "sign_request.hpp"

#include <iostream>
#include <memory>

namespace qrvx::cli {
namespace {

struct TextCommandOptions {
    SignRequest request;
    MadeOutput made;
    bool json = false;
};

// "HARBOUR / via Market St".
std::string signName(const SignRequest &request) {
    std::string name;
    for (const std::string &line : request.lines) {
        name += (name.empty() ? "" : " / ") + line;
    }
    return name;
}

// What a refusal names: the file not written, else the sign.
std::string refusedName(const TextCommandOptions &options) {
    const std::string &output = options.made.output;
    return output.empty() || output == "-" ? signName(options.request) : output;
}

std::optional<std::string> combinationError(const TextCommandOptions &options) {
    if (auto why = madeOutputError(options.made)) {
        return why;
    }
    if (options.json && (options.made.output == "-" || options.made.show)) {
        return std::string(options.made.show ? "--json and --show" : "--json and -o -") +
               " both write to standard output";
    }
    return batch::requestError(options.request);
}

int runText(const TextCommandOptions &options) {
    if (auto why = combinationError(options)) {
        return usage(*why);
    }
    batch::Shelf shelf;
    if (auto failure = shelf.loadFor(options.request)) {
        std::cerr << "qrvx: " << *failure << '\n';
        return operationFailed;
    }
    std::string reason;
    const auto made = batch::makeSign(options.request, shelf, &reason);
    if (!made) {
        return refused(refusedName(options), made.error(), reason);
    }
    for (const std::string &warning : made->sign.report.warnings) {
        std::cerr << "qrvx: warning: " << warning << '\n';
    }
    deliver(options.made, made->graphic, signName(options.request));
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
    addMadeOutputOptions(*command, options->made);
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
