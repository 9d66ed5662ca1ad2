// `qrvx batch`: a destination list or a network's timetable made into signs, every face of a sign
// set, with a review page and contact sheets; the engine is libqrvx_batch's, this is its command
// line, its messages and its progress line.
#include "commands.hpp"
#include "failure.hpp"
#include "feed_options.hpp"
#include "progress_line.hpp"
#include "sign_request.hpp"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace qrvx::cli {
namespace {

using Json = nlohmann::ordered_json;

struct BatchCommandOptions {
    std::string source;
    std::string directory;
    std::optional<std::string> signSet;
    std::optional<unsigned> jobs;
    bool json = false;
    batch::FeedFilter filter;
    SignRequest defaults;
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

// The name of a list or a feed: its last path component, also of "feed/".
std::string sourceName(const std::string &source) {
    const std::filesystem::path path = std::filesystem::path(source).lexically_normal();
    return (path.has_filename() ? path : path.parent_path()).filename().string();
}

// Refusals as "LIST:LINE: CODE: FACE: reason" above the progress line; with --json, gathered.
class Messages : public batch::Observer {
public:
    Messages(std::string listName, bool progress, bool json)
        : listName_(std::move(listName)), progress_(std::cerr, progress), json_(json) {}

    void rowDone(const batch::RowOutcome &outcome) override {
        for (const batch::FaceOutcome &face : outcome.faces) {
            if (face.refusal) {
                refuse(*outcome.row, face);
            }
            if (json_ && face.made != nullptr && face.change != batch::Change::unchanged) {
                changes_.push_back(
                    {{"code", outcome.row->code},
                     {"face", face.face},
                     {"change", face.change == batch::Change::added ? "new" : "changed"}});
            }
        }
    }

    void progress(std::uint64_t done, std::uint64_t total) override {
        progress_.update(done, refused_, total);
    }

    Json refusals() const { return refusals_; }
    Json changes() const { return changes_; }

private:
    void refuse(const batch::Row &row, const batch::FaceOutcome &face) {
        ++refused_;
        const std::string where = listName_ + (row.line != 0 ? ":" + std::to_string(row.line) : "");
        const std::string faceName = face.face.empty() ? "" : std::string(face.face) + ": ";
        if (json_) {
            refusals_.push_back({{"line", row.line},
                                 {"code", row.code},
                                 {"face", face.face},
                                 {"reason", *face.refusal}});
        } else {
            progress_.message(where + ": " + row.code + ": " + faceName + *face.refusal);
        }
    }

    std::string listName_;
    ProgressLine progress_;
    bool json_;
    std::uint64_t refused_ = 0;
    Json refusals_ = Json::array();
    Json changes_ = Json::array();
};

void printSummary(const BatchCommandOptions &options, const batch::Summary &summary,
                  const Messages &messages) {
    const std::string page = options.directory + "/index.html";
    if (options.json) {
        std::cout << Json{{"page", page},
                          {"rows", summary.rows},
                          {"signs", summary.signs},
                          {"marked", summary.marked},
                          {"refused", summary.refused},
                          {"new", summary.added},
                          {"changed", summary.changed},
                          {"unchanged", summary.unchanged},
                          {"removed", summary.removed},
                          {"refusals", messages.refusals()},
                          {"changes", messages.changes()}}
                         .dump(2)
                  << '\n';
        return;
    }
    std::cout << page << ": signs made " << summary.signs << " (marked for a look "
              << summary.marked << "), refused " << summary.refused << "; new " << summary.added
              << ", changed " << summary.changed << ", unchanged " << summary.unchanged
              << ", removed " << summary.removed << '\n';
}

int runBatchCommand(BatchCommandOptions &options) {
    if (auto why = batch::requestError([&] {
            SignRequest defaults = options.defaults;
            defaults.lines = {"A"};
            // The route's fonts, colour, side and gap are for the rows that have one.
            defaults.options.try_emplace("route", std::vector<std::string>{"1"});
            return defaults;
        }())) {
        return usage(*why);
    }
    if (!namesAFeed(options.source) &&
        (!options.filter.agencies.empty() || !options.filter.routes.empty() ||
         !options.filter.routeTypes.empty())) {
        return usage("--agency, --route and --route-type choose from a timetable, and " +
                     options.source + " is a destination list");
    }
    batch::RunOptions run;
    run.directory = options.directory;
    run.listName = sourceName(options.source);
    run.defaults = options.defaults;
    run.jobs = options.jobs.value_or(availableCores());
    std::string reason;
    if (options.signSet) {
        auto set = batch::readSignSet(*options.signSet, &reason);
        if (!set) {
            std::cerr << "qrvx: " << reason << '\n';
            return operationFailed;
        }
        run.signSet = std::move(*set);
    }
    batch::FeedSummary feed;
    const batch::RowSource rows =
        namesAFeed(options.source)
            ? batch::feedRows(options.source, options.filter, {}, options.defaults, &feed)
            : batch::listRows(options.source, options.defaults);
    Messages messages(run.listName, ::isatty(STDERR_FILENO) == 1 && !options.json, options.json);
    const auto summary = batch::run(run, rows, messages, &reason);
    if (!summary) {
        std::cerr << "qrvx: " << reason << '\n';
        return operationFailed;
    }
    if (const std::string skipped = skippedTrips(feed); !skipped.empty()) {
        std::cerr << "qrvx: warning: " << options.source << ": " << skipped << '\n';
    }
    printSummary(options, *summary, messages);
    return summary->refused == 0 ? 0 : operationFailed;
}

} // namespace

Command addBatchCommand(CLI::App &app) {
    auto options = std::make_shared<BatchCommandOptions>();
    CLI::App *command = app.add_subcommand(
        "batch", "Make the signs of a destination list or of a network's timetable, every face "
                 "of a sign set, with a review page and contact sheets");
    command
        ->add_option("SOURCE", options->source,
                     "A destination list (CSV: a first row naming the columns: code, line1 to "
                     "line3, short1 to short3, route, FACE.line1..., the options below; then a "
                     "sign a row; \"|\" separates values in a cell), or a timetable (GTFS: a .zip "
                     "archive or a folder)")
        ->required()
        ->type_name("LIST.csv|FEED");
    command
        ->add_option("-o,--output", options->directory,
                     "Directory for the signs (CODE.qrvx and .png, or FACE/CODE.qrvx and .png "
                     "with a sign set), index.html and the contact sheets")
        ->required()
        ->type_name("DIR");
    command
        ->add_option("--sign-set", options->signSet,
                     "The faces of a vehicle (TOML: a [[face]] table each, with name, width, "
                     "height, shows and optionally colour-system, raster, palette, fonts, "
                     "route-fonts, reserve); every row makes every face")
        ->type_name("FILE.toml");
    command->add_option("-j,--jobs", options->jobs, "Rows made at once (default: the cores)")
        ->check(CLI::Range(1u, 1024u))
        ->type_name("N");
    command->add_flag("--json", options->json,
                      "Print the summary, the refusals and what changed as JSON");
    addFeedFilter(*command, options->filter);
    // A row's route number is its own: --route is the timetable's filter here.
    addSignOptions(*command, options->defaults, {"route"});
    command->footer("The options of a sign are every row's, where its own cell is empty; the "
                    "route's fonts, colour, side and gap only apply to rows with a route. An "
                    "output whose bytes are unchanged is left untouched; the summary counts the "
                    "signs new, changed, unchanged and removed since the last run.");
    return {command, [options] { return runBatchCommand(*options); }};
}

} // namespace qrvx::cli
