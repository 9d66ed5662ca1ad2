// The subcommands. Each registers its options and returns what runs it once parsing succeeded,
// so that help and usage errors are settled before any file is touched.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>

namespace qrvx::cli {

struct Command {
    CLI::App *app;
    std::function<int()> run; // the exit status
};

Command addInfoCommand(CLI::App &app);
Command addPngCommand(CLI::App &app);
Command addExtractCommand(CLI::App &app);
Command addProgramCommand(CLI::App &app);
Command addMarkCommand(CLI::App &app);
Command addShowCommand(CLI::App &app);
Command addEncodeCommand(CLI::App &app);
Command addTextCommand(CLI::App &app);
Command addFontsCommand(CLI::App &app);
Command addBatchCommand(CLI::App &app);
Command addDestinationsCommand(CLI::App &app);

} // namespace qrvx::cli
