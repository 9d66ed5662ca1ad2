// qrvx: look at, convert and program route-number sign graphics from the command line.
#include "commands.hpp"
#include "failure.hpp"

#include "qrvx_host_trace.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

// One line and a pointer to the help, in place of CLI11's two-line default.
std::string usageMessage(const CLI::App *, const CLI::Error &error) {
    return std::string("qrvx: ") + error.what() + " (see --help)\n";
}

// "info, png, ... or destinations": every registered command, so none is left out.
std::string commandNames(const std::vector<qrvx::cli::Command> &commands) {
    std::string names = commands.front().app->get_name();
    for (std::size_t i = 1; i < commands.size(); ++i) {
        names += (i + 1 == commands.size() ? " or " : ", ") + commands[i].app->get_name();
    }
    return names;
}

} // namespace

int main(int argc, char **argv) {
    CLI::App app("Graphics of route-number sign displays: look at them, convert them, program "
                 "their route numbers.",
                 "qrvx");
    app.failure_message(usageMessage);
    app.set_version_flag("--version", QRVX_VERSION);
    // -v may also follow the command's name.
    app.fallthrough();
    app.require_subcommand(0, 1);
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "Print the library's debug and verbose trace on stderr");

    const std::vector<qrvx::cli::Command> commands = {
        qrvx::cli::addInfoCommand(app),        qrvx::cli::addPngCommand(app),
        qrvx::cli::addExtractCommand(app),     qrvx::cli::addProgramCommand(app),
        qrvx::cli::addMarkCommand(app),        qrvx::cli::addShowCommand(app),
        qrvx::cli::addEncodeCommand(app),      qrvx::cli::addTextCommand(app),
        qrvx::cli::addFontsCommand(app),       qrvx::cli::addBatchCommand(app),
        qrvx::cli::addDestinationsCommand(app)};

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : qrvx::cli::usageError;
    }

    if (verbose) {
        QTR_useLogger(QTR_LEVEL_ERROR | QTR_LEVEL_DEBUG | QTR_LEVEL_VERBOSE);
    } else {
        QTR_useNoLogger(); // the library's errors still reach stderr
    }
    try {
        for (const auto &command : commands) {
            if (command.app->parsed()) {
                return command.run();
            }
        }
    } catch (const qrvx::cli::Failure &failure) {
        qrvx::cli::report(failure);
        return qrvx::cli::operationFailed;
    } catch (const std::exception &error) {
        std::cerr << "qrvx: " << error.what() << '\n';
        return qrvx::cli::operationFailed;
    }
    // Not CLI11's own requirement, whose message would hide an unknown command's name.
    std::cerr << "qrvx: a command is required: " << commandNames(commands) << " (see --help)\n";
    return qrvx::cli::usageError;
}
