#include "feed_options.hpp"

#include "file_io.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qrvx::cli {

void addFeedFilter(CLI::App &command, batch::FeedFilter &filter) {
    command
        .add_option("--agency", filter.agencies,
                    "Only the routes of these agencies (agency_id; repeated or ID,ID)")
        ->type_name("ID")
        ->delimiter(',')
        ->allow_extra_args(false);
    command
        .add_option("--route", filter.routes,
                    "Only these routes (route_short_name; repeated or NAME,NAME)")
        ->type_name("NAME")
        ->delimiter(',')
        ->allow_extra_args(false);
    command
        .add_option("--route-type", filter.routeTypes,
                    "Only routes of these types (route_type: 0 tram, 3 bus, ...; repeated or N,N)")
        ->type_name("N")
        ->delimiter(',')
        ->allow_extra_args(false);
}

std::string counted(std::uint64_t count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

std::string skippedTrips(const batch::FeedSummary &summary) {
    if (summary.tripsSkippedUnknownRoute == 0) {
        return {};
    }
    std::string text = counted(summary.tripsSkippedUnknownRoute, "trip") +
                       " skipped: their route is not in routes.txt (";
    for (std::size_t i = 0; i < summary.unknownRoutes.size(); ++i) {
        text += (i == 0 ? "" : ", ") + summary.unknownRoutes[i];
    }
    return text +
           (summary.unknownRoutes.size() < summary.tripsSkippedUnknownRoute ? ", ...)" : ")");
}

bool namesAFeed(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::is_directory(path, ignored) || hasExtension(path, ".zip");
}

} // namespace qrvx::cli
