// qrvx batch: the signs of a whole network (libqrvx_batch, beside libqrvx and libqrvx_text).
//
// - Rows come in from any reader: a destination list (listRows), a network's timetable
//   (feedRows), or a function of the caller's. Each row is a sign request: its lines of text and
//   the options of `qrvx text` by name, with per-face texts where a list has them.
// - run() makes every row into every face of a sign set (or one sign), on threads, taken in row
//   order, so that threads change the speed and never the bytes; it writes each sign's graphic
//   and PNG, a review page and a contact sheet per face, and tells an Observer of every row
//   made or refused and of its progress. An output whose bytes are unchanged is left untouched,
//   and what changed since the last run is counted.
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
#include "qrvx_text.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
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
    notAFeed = 1,   // neither a folder nor a zip archive libzip can read
    unsafeArchive,  // an entry named with "..", an absolute path, or a name given twice
    tooLarge,       // an entry inflates beyond FeedLimits; the reason names the limit
    missingFile,    // no routes.txt or trips.txt; the reason names it
    missingColumn,  // a file lacks a column it needs; the reason names both
    malformedFile,  // malformed quoting, an oversized cell, a number that is none: FILE:LINE
    invalidUtf8,    // FILE:LINE and the byte
    noMatch,        // a filter names an agency, route or route type the feed does not have
    codeCollision,  // two destinations would share a code (see Destination::code)
    invalidList,    // a destination list's columns, codes or cells: FILE:LINE and why
    invalidSignSet, // a sign set that is not TOML or names a face badly: FILE:LINE and why
    invalidRequest, // options that cannot make a sign whatever its fonts ("--width: ...")
    outputFailed,   // a file of the output directory cannot be written: which and why
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
// was read). A refusal's reason starts with the path. Errors: Errc values, std::errc values of
// opening and reading files (no_such_file_or_directory, ...), std::errc::not_enough_memory.
QRVX_BATCH_API Result<std::vector<Destination>>
readDestinations(std::string_view path, const FeedFilter &filter = {},
                 const FeedLimits &limits = {}, FeedSummary *summary = nullptr,
                 std::string *reason = nullptr) noexcept;

// ---- Signs by named options ----

// An option of a sign: the long options of `qrvx text` without "--", and a list's columns.
struct SignOption {
    std::string_view name;      // "font"
    std::string_view valueName; // "FONT"
    std::string_view help;
    bool repeatable; // in fitting order ("font"), or once a line ("colour")
};
// Every option, in the order help lists them.
QRVX_BATCH_API std::span<const SignOption> signOptions() noexcept;
// Why value cannot be option name's ("not a number from 1 to 4096: x"); empty when it can.
QRVX_BATCH_API std::string checkSignOption(std::string_view name, std::string_view value);

// A sign as options by name, before they are checked. Repeatable options keep their order.
struct SignRequest {
    std::vector<std::string> lines;      // 1 to 3
    std::vector<std::string> shortLines; // the short wording: none, or 1 to 3
    std::map<std::string, std::vector<std::string>, std::less<>> options;
};
// Why a request cannot make a sign whatever its fonts (an unknown name, a bad value, options
// that do not go together, no line or more than 3), naming the option as "--NAME".
QRVX_BATCH_API std::optional<std::string> requestError(const SignRequest &request);

// Fonts and abbreviation tables, each loaded once and then shared by every sign made after:
// load what the requests name first, then make signs from any number of threads.
class QRVX_BATCH_API Shelf {
public:
    Shelf();
    ~Shelf();
    Shelf(Shelf &&) noexcept;
    Shelf &operator=(Shelf &&) noexcept;
    // Every font and table a request names (its own and the defaults for its height), unless
    // on the shelf already; the first failure in words ("FONT: loading the font: why",
    // "FILE:LINE: why").
    std::optional<std::string> loadFor(const SignRequest &request) noexcept;

    struct Contents; // what is on it, the library's own

private:
    friend struct ShelfAccess;
    std::unique_ptr<Contents> contents_;
};

// What a request made: the sign (its report says what fitting chose), its graphic, and the
// colours its values are drawn in.
struct MadeSign {
    text::Sign sign;
    author::Bytes graphic;
    std::array<author::Rgb, 4> palette;
};
// Errors: Errc::invalidRequest, text::Errc::fontNotFound for a font not on the shelf, and the
// errors of text::compose and text::encode; the reason is one line.
QRVX_BATCH_API Result<MadeSign> makeSign(const SignRequest &request, const Shelf &shelf,
                                         std::string *reason = nullptr) noexcept;

// ---- Rows ----

// A row's own wording for one face of a sign set ("side.line1" in a list).
struct FaceWording {
    std::vector<std::string> lines;
    std::vector<std::string> shortLines;
};

// One destination to make: its request, with the defaults under its own options.
struct Row {
    std::uint64_t line = 0; // where its record starts in its list; 0 from a feed
    std::string code;       // names its files: 1 to 100 letters, digits, "-" and "_"
    SignRequest request;
    std::map<std::string, FaceWording, std::less<>> faceWordings; // by face name
    std::vector<std::string> notes; // what a reviewer should know ("named by its last stop")
};

// Hands rows in order to `each`; a source is read twice by run(), once to plan and once to make.
// A refusal of the whole source is an error with a reason.
using RowSink = std::function<void(Row &&)>;
using RowSource = std::function<std::error_code(const RowSink &each, std::string *reason)>;

// A destination list (CSV, as spreadsheets save it): a first row naming the columns (code,
// line1-line3, short1-short3, route, the sign options, FACE.line1... for a face's own wording,
// and source, which is read and ignored), then a row a sign. A cell with several values
// separates them with "|"; an empty cell takes `defaults`. Errors: Errc::invalidList (FILE:LINE
// and why), std::errc values of reading the file.
QRVX_BATCH_API RowSource listRows(std::string path, SignRequest defaults);

// The destinations of a feed (see readDestinations) as rows: the headsign as line 1, the route
// number, and notes for a headsign taken from a last stop or a route without a short name.
// summary, when given, must outlive the source; it is filled in when the feed has been read.
QRVX_BATCH_API RowSource feedRows(std::string path, FeedFilter filter, FeedLimits limits,
                                  SignRequest defaults, FeedSummary *summary = nullptr);

// The destinations as a destination list (CSV with a header: code, route, line1, source) that
// listRows reads back.
QRVX_BATCH_API std::string destinationList(std::span<const Destination> destinations);

// ---- Sign sets ----

// What a face shows: the route number, the destination, or both, the route at the start or end.
enum class Shows { route, destination, routeDestination, destinationRoute };

// One sign of a vehicle, with its own size, colours and fonts.
struct Face {
    std::string name; // its folder: 1 to 32 letters, digits, "-" and "_"
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t colourSystem = 0;
    author::RasterDirection raster = author::RasterDirection::vertical;
    std::optional<std::array<author::Rgb, 4>> palette;
    Shows shows = Shows::routeDestination;
    std::vector<std::string> fonts;      // none: the faces of its height
    std::vector<std::string> routeFonts; // none: the route faces of its height
    std::optional<text::Reserve> reserve;
};

struct SignSet {
    std::vector<Face> faces; // in the order they are shown
};

// A sign set in TOML: one [[face]] table a face, with name, width, height, shows ("route",
// "destination", "route destination", "destination route"), and optionally colour-system,
// raster, palette ("#RRGGBB" x 4), fonts, route-fonts and reserve ("start:N" or "end:N").
// Errors: Errc::invalidSignSet (FILE:LINE and why), std::errc values of reading the file.
QRVX_BATCH_API Result<SignSet> readSignSet(std::string_view path,
                                           std::string *reason = nullptr) noexcept;

// ---- The run ----

struct RunOptions {
    std::string directory;          // created when the rows can be read and planned
    std::string listName;           // how the page and messages name the rows' source
    SignRequest defaults;           // every row's, loaded before any row is read
    std::optional<SignSet> signSet; // none: one sign a row, DIR/CODE.qrvx as ever
    unsigned jobs = 1;              // threads making signs
};

// How an output compares with what the directory held before the run.
enum class Change { added, changed, unchanged };

// A face of a row as it was made, or why not.
struct FaceOutcome {
    std::string_view face; // "" without a sign set
    // The sign's files in the directory without ".qrvx" or ".png" ("front/A1"); empty when the
    // face shows nothing of the row (a route face of a row without a route).
    std::string_view sign;
    std::optional<std::string> refusal; // the reason, one line
    // Its report when this row made it; null when refused, or when an earlier row of the same
    // route made a route face's sign.
    const text::Sign *made = nullptr;
    bool marked = false;               // fitting made a compromise a reviewer should see
    Change change = Change::unchanged; // of its files
};

struct RowOutcome {
    std::uint64_t index = 0; // in the source's order
    const Row *row = nullptr;
    std::vector<FaceOutcome> faces;
};

// Told of every row in the source's order, on the thread that called run().
class QRVX_BATCH_API Observer {
public:
    virtual ~Observer();
    virtual void rowDone(const RowOutcome &outcome);
    virtual void progress(std::uint64_t done, std::uint64_t total);
};

struct Summary {
    std::uint64_t rows = 0;
    std::uint64_t signs = 0;   // made, counting each face
    std::uint64_t marked = 0;  // of them, marked for a look
    std::uint64_t refused = 0; // faces of rows not made
    std::uint64_t added = 0;   // signs whose files are new
    std::uint64_t changed = 0; // whose files had other bytes
    std::uint64_t unchanged = 0;
    std::uint64_t removed = 0; // signs of the last run this one no longer makes
};

// Plans the rows (codes unique ignoring case, fonts loaded: refused as a whole before anything
// is written), then makes them into the directory: FACE/CODE.qrvx and .png (CODE.qrvx without a
// sign set; a face that shows only the route once per route, as ROUTE.qrvx), index.html, a
// contact sheet per face. Errors: the source's, Errc::invalidList (repeated codes),
// Errc::outputFailed, std::errc::not_enough_memory.
QRVX_BATCH_API Result<Summary> run(const RunOptions &options, const RowSource &rows,
                                   Observer &observer, std::string *reason = nullptr) noexcept;

} // namespace qrvx::batch

template <>
struct std::is_error_code_enum<qrvx::batch::Errc> : std::true_type {};

#endif // QRVX_BATCH_HPP
