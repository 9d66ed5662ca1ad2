#include "feed_options.hpp"

#include <filesystem>

namespace qrvx::cli {

void addFeedFilter(CLI::App &command, batch::FeedFilter &filter) {
    command
        .add_option("--agency", filter.agencies, "Only the routes of these agencies (agency_id)")
        ->type_name("ID")
        ->allow_extra_args(false);
    command.add_option("--route", filter.routes, "Only these routes (route_short_name)")
        ->type_name("NAME")
        ->allow_extra_args(false);
    command
        .add_option("--route-type", filter.routeTypes,
                    "Only routes of these types (route_type: 0 tram, 3 bus, ...)")
        ->type_name("N")
        ->allow_extra_args(false);
}

bool namesAFeed(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::is_directory(path, ignored) || path.ends_with(".zip") ||
           path.ends_with(".ZIP");
}

} // namespace qrvx::cli
