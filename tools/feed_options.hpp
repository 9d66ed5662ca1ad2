// What the commands that read a timetable share: its filters on the command line, and whether
// a path names a timetable (a folder or a .zip archive) or a destination list.
#pragma once

#include "qrvx_batch.hpp"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace qrvx::cli {

// --agency ID, --route NAME, --route-type N: each repeated or with values between commas.
void addFeedFilter(CLI::App &command, batch::FeedFilter &filter);

// "N trips skipped: their route is not in routes.txt (IDS)", or empty when none was.
std::string skippedTrips(const batch::FeedSummary &summary);

// "1 trip", "2 trips".
std::string counted(std::uint64_t count, std::string_view noun);

// A folder or a .zip archive (in any case) is a timetable; anything else a destination list.
bool namesAFeed(const std::string &path);

} // namespace qrvx::cli
