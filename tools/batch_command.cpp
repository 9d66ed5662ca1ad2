// `qrvx batch`: a destination list made into signs, a review page and a contact sheet.
#include "batch_run.hpp"
#include "commands.hpp"

#include <iostream>
#include <memory>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace qrvx::cli {
namespace {

struct BatchCommandOptions {
    BatchOptions batch;
    std::optional<unsigned> jobs;
};

// The cores this process may run on (taskset and containers narrow them).
unsigned availableCores() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (::sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&cores));
    }
    return std::max(std::thread::hardware_concurrency(), 1u);
}

int runBatchCommand(BatchCommandOptions &options) {
    BatchOptions &batch = options.batch;
    batch.jobs = options.jobs.value_or(availableCores());
    batch.progress = ::isatty(STDERR_FILENO) == 1;
    const BatchTally tally = runBatch(batch, std::cerr);
    std::cout << batch.directory << "/index.html: signs made " << tally.rows - tally.refused
              << " (marked for a look " << tally.marked << "), refused " << tally.refused << '\n';
    return tally.refused == 0 ? 0 : 1;
}

} // namespace

Command addBatchCommand(CLI::App &app) {
    auto options = std::make_shared<BatchCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "batch", "Make the signs of a destination list, with a review page and a contact sheet");
    command
        ->add_option("LIST", options->batch.list,
                     "CSV file: a first row naming the columns (code, line1 to line3, route and "
                     "the options below), then a sign a row; \"|\" separates values in a cell")
        ->required()
        ->type_name("LIST.csv");
    command
        ->add_option("-o,--output", options->batch.directory,
                     "Directory for CODE.qrvx, CODE.png, index.html and contact-sheet.png")
        ->required()
        ->type_name("DIR");
    command->add_option("-j,--jobs", options->jobs, "Rows made at once (default: the cores)")
        ->check(CLI::Range(1u, 1024u))
        ->type_name("N");
    addSignOptions(*command, options->batch.defaults);
    command->footer("The options of a sign are every row's, where its own cell is empty; the "
                    "route's fonts, colour, side and gap only apply to rows with a route.");
    return {command, [options] { return runBatchCommand(*options); }};
}

} // namespace qrvx::cli
