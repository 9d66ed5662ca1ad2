// qrvx batch: the destinations of a whole network (libqrvx_batch, beside libqrvx).
//
// - A network's destinations come from its timetable as published for journey planners (GTFS):
//   a .zip archive or a folder of CSV files. readDestinations() gives every distinct pair of a
//   route's short name and a sign text (headsign), each with a code that names its files.
// - A feed is read whole or refused whole: a refusal hands back no destination. An archive that
//   inflates beyond the limits, names a file outside itself or twice, lacks routes.txt or
//   trips.txt, or holds text that is not UTF-8 is refused with a reason naming what and where.
// - stop_times.txt is read as a stream: memory follows the trips and the destinations, not the
//   size of that file.
// - No exception leaves these functions: results are qrvx::Result, and a refusal's reason is
//   text for people.
#ifndef QRVX_BATCH_HPP
#define QRVX_BATCH_HPP

#include "qrvx.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#if defined(__GNUC__)
#define QRVX_BATCH_API __attribute__((visibility("default")))
#else
#define QRVX_BATCH_API
#endif

namespace qrvx::batch {

enum class Errc {
    notAFeed = 1,  // neither a folder nor a zip archive libzip can read
    unsafeArchive, // an entry named with "..", an absolute path, or a name given twice
    tooLarge,      // an entry inflates beyond FeedLimits; the reason names the limit
    missingFile,   // no routes.txt or trips.txt; the reason names it
    missingColumn, // a file lacks a column it needs; the reason names both
    malformedFile, // malformed quoting, an oversized cell, a number that is none: FILE:LINE
    invalidUtf8,   // FILE:LINE and the byte
    noMatch,       // a filter names an agency, route or route type the feed does not have
    codeCollision, // two destinations would share a code (see Destination::code)
};

QRVX_BATCH_API const std::error_category &errorCategory() noexcept;

inline std::error_code make_error_code(Errc error) noexcept {
    return {static_cast<int>(error), errorCategory()};
}

// Which routes to read; an empty list lets every value through. A route passes when it passes
// every list.
struct FeedFilter {
    // agency_id of routes.txt. A route without one belongs to the feed's only agency (the one
    // row of agency.txt); where agency.txt is missing or lists several, such a route belongs to
    // no agency and passes no agency filter.
    std::vector<std::string> agencies;
    std::vector<std::string> routes; // route_short_name, without surrounding spaces
    std::vector<int> routeTypes;     // route_type: 0 tram, 3 bus, 700 bus service, ...
};

// How far a zip archive may inflate. Both count the bytes actually inflated, not the sizes the
// archive declares (which are checked too, before anything is read).
struct FeedLimits {
    std::uint64_t inflatedBytes = std::uint64_t{8} << 30; // all files read, together
    std::uint32_t compressionRatio = 250; // of an entry: inflated bytes per compressed byte
};

// A sign text of a route. Sorted by route in natural order ("2" < "10" < "N80", routes without
// a short name last), then by headsign.
struct Destination {
    // Names the destination's files: at most 40 ASCII letters, digits, "-" and "_". The route,
    // the headsign transliterated to ASCII (both shortened), and a hash of the exact pair, so
    // that it depends on the pair alone, never on which other destinations the feed has, and
    // two pairs never share it, also ignoring case. A feed in which two pairs would (two
    // headsigns that read alike in ASCII and whose 40-bit hashes are equal, which only a
    // constructed feed manages) is refused with Errc::codeCollision.
    std::string code;
    std::optional<std::string> route; // route_short_name; none when the route has none
    std::string headsign;             // trip_headsign or stop_headsign, or the last stop's name
    // No trip and no stop gave it as a headsign: it is the name of the last stop of trips that
    // have none, for a person to check.
    bool fromLastStop = false;
    std::uint64_t trips = 0; // the trips that show it
    std::string source;      // where it comes from, for people: "route_id 1923_700, 37 trips"
};

// What reading a feed found besides the destinations.
struct FeedSummary {
    std::uint64_t routes = 0;                   // rows of routes.txt
    std::uint64_t routesSelected = 0;           // those the filter let through
    std::uint64_t trips = 0;                    // rows of trips.txt
    std::uint64_t tripsSelected = 0;            // on a route the filter let through
    std::uint64_t tripsSkippedUnknownRoute = 0; // naming a route_id routes.txt does not have
    std::vector<std::string> unknownRoutes;     // the first few such route_ids
    std::uint64_t tripsFromLastStop = 0; // selected, without a headsign, named by their last stop
    std::uint64_t tripsWithoutSign = 0;  // selected, with no headsign and no named last stop
    std::uint64_t stopTimes = 0;         // rows of stop_times.txt read
    std::uint64_t stopHeadsigns = 0;     // of them, rows with a stop_headsign of a selected trip
};

// The destinations of the feed at path (a .zip archive or a folder), those of the routes filter
// lets through. summary, when given, is filled in also when the feed is refused (as far as it
// was read). Errors: Errc values, std::errc values of opening and reading files
// (no_such_file_or_directory, ...), std::errc::not_enough_memory.
QRVX_BATCH_API Result<std::vector<Destination>>
readDestinations(std::string_view path, const FeedFilter &filter = {},
                 const FeedLimits &limits = {}, FeedSummary *summary = nullptr,
                 std::string *reason = nullptr) noexcept;

} // namespace qrvx::batch

template <>
struct std::is_error_code_enum<qrvx::batch::Errc> : std::true_type {};

#endif // QRVX_BATCH_HPP
