// What the commands that read a timetable share: its filters on the command line, and whether
// a path names a timetable (a folder or a .zip archive) or a destination list.
#pragma once

#include "qrvx_batch.hpp"

#include <CLI/CLI.hpp>

#include <string>

namespace qrvx::cli {

// --agency ID..., --route NAME..., --route-type N...
void addFeedFilter(CLI::App &command, batch::FeedFilter &filter);

// A folder or a .zip archive is a timetable; anything else a destination list.
bool namesAFeed(const std::string &path);

} // namespace qrvx::cli
