// A feed's destinations as rows, and as a destination list a person edits. A feed is read once
// and its destinations kept, however often its rows are asked for: reading it is the slow part.
#include "rows.hpp"

#include <memory>
#include <mutex>

namespace qrvx::batch {
namespace {

constexpr std::string_view namedByLastStop = "named by its last stop: no trip gives a headsign";
constexpr std::string_view withoutRoute = "the route has no short name to show";

Row rowOf(const Destination &destination, const SignRequest &defaults) {
    Row row;
    row.code = destination.code;
    row.request.lines = {destination.headsign};
    if (destination.route) {
        row.request.options["route"] = {*destination.route};
    } else {
        row.notes.emplace_back(withoutRoute);
    }
    if (destination.fromLastStop) {
        row.notes.emplace_back(namedByLastStop);
    }
    addDefaults(row.request, defaults);
    return row;
}

// A cell as CSV writes it: quoted when it holds a comma, a quote or a line break.
std::string csvCell(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == text.npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + "\"";
}

struct Feed {
    std::string path;
    FeedFilter filter;
    FeedLimits limits;
    SignRequest defaults;
    std::once_flag read;
    Result<std::vector<Destination>> destinations{std::vector<Destination>()};
    std::string reason;
};

} // namespace

RowSource feedRows(std::string path, FeedFilter filter, FeedLimits limits, SignRequest defaults,
                   FeedSummary *summary) {
    auto feed = std::make_shared<Feed>();
    feed->path = std::move(path);
    feed->filter = std::move(filter);
    feed->limits = limits;
    feed->defaults = std::move(defaults);
    return [feed, summary](const RowSink &each, std::string *reason) -> std::error_code {
        std::call_once(feed->read, [&] {
            feed->destinations =
                readDestinations(feed->path, feed->filter, feed->limits, summary, &feed->reason);
        });
        if (!feed->destinations) {
            if (reason != nullptr) {
                *reason = feed->reason;
            }
            return feed->destinations.error();
        }
        for (const Destination &destination : *feed->destinations) {
            each(rowOf(destination, feed->defaults));
        }
        return {};
    };
}

std::string destinationList(std::span<const Destination> destinations) {
    std::string list = "code,route,line1,source\n";
    for (const Destination &destination : destinations) {
        list += csvCell(destination.code) + "," + csvCell(destination.route.value_or("")) + "," +
                csvCell(destination.headsign) + "," + csvCell(destination.source) + "\n";
    }
    return list;
}

} // namespace qrvx::batch
