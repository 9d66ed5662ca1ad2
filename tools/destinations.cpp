// `qrvx destinations`: a network's timetable made into a destination list that a sign maker
// edits (wording, line breaks, codes) and `qrvx batch` reads.
#include "commands.hpp"
#include "failure.hpp"
#include "feed_options.hpp"
#include "file_io.hpp"

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

namespace qrvx::cli {
namespace {

struct DestinationsOptions {
    std::string feed;
    std::string output;
    batch::FeedFilter filter;
};

int runDestinations(const DestinationsOptions &options) {
    std::string reason;
    batch::FeedSummary summary;
    const auto destinations =
        batch::readDestinations(options.feed, options.filter, {}, &summary, &reason);
    if (!destinations) {
        std::cerr << "qrvx: " << reason << '\n';
        return operationFailed;
    }
    const std::string list = batch::destinationList(*destinations);
    writeFile(options.output, {reinterpret_cast<const std::uint8_t *>(list.data()), list.size()});
    std::ostream &out = options.output == "-" ? std::cerr : std::cout;
    out << options.output << ": " << counted(destinations->size(), "destination") << " of "
        << counted(summary.tripsSelected, "trip") << " on "
        << counted(summary.routesSelected, "route");
    if (summary.tripsFromLastStop > 0) {
        out << "; " << counted(summary.tripsFromLastStop, "trip") << " named by their last stop";
    }
    if (const std::string skipped = skippedTrips(summary); !skipped.empty()) {
        out << "; " << skipped;
    }
    out << '\n';
    return 0;
}

} // namespace

Command addDestinationsCommand(CLI::App &app) {
    auto options = std::make_shared<DestinationsOptions>();
    CLI::App *command = app.add_subcommand(
        "destinations", "Write the destinations of a network's timetable as a destination list");
    command
        ->add_option("FEED", options->feed,
                     "A timetable (GTFS): a .zip archive or a folder with routes.txt and "
                     "trips.txt (stop_times.txt and stops.txt for stop headsigns and last stops)")
        ->required();
    command
        ->add_option("-o,--output", options->output,
                     "The list: code, route, line1 (the headsign), source (the route_id and trips "
                     "it comes from, which qrvx batch reads and ignores); - for standard output")
        ->required()
        ->type_name("LIST.csv");
    addFeedFilter(*command, options->filter);
    return {command, [options] { return runDestinations(*options); }};
}

} // namespace qrvx::cli
