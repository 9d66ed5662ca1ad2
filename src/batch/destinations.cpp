// The destinations of a feed: the distinct pairs of a route's short name and a sign text. A
// trip's trip_headsign and the stop_headsign of its stops each give one; a trip with neither is
// named by its last stop. stop_times.txt is streamed, keeping state only for trips that may need
// their last stop, and stops.txt is read for those stops alone.
#include "destination_code.hpp"
#include "feed_table.hpp"
#include "natural_order.hpp"
#include "rows.hpp"
#include "trimmed.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace qrvx::batch {
namespace {

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t unknownRoutesKept = 5;

// How a destination's text came to be.
enum Naming : unsigned { byTrip = 1, byStop = 2, byLastStop = 4 };

struct Route {
    std::string id;
    std::optional<std::string> name; // route_short_name
    bool selected = false;
};

// A destination as the trips give it.
struct Gathered {
    std::string headsign;
    std::vector<std::uint32_t> routes; // every route_id it was seen on, the first first
    std::uint64_t trips = 0;
    unsigned naming = 0;
};

// What stop_times.txt needs of a trip.
struct Trip {
    std::uint32_t index = 0; // in the order of the trips selected
    std::uint32_t route = 0;
    std::uint32_t destination = none; // of its trip_headsign
    std::uint32_t lastStop = none;    // into lastStops, for a trip without a trip_headsign
};

struct LastStop {
    std::uint32_t route = 0;
    bool stopHeadsign = false; // a stop named a headsign after all
    std::int64_t sequence = -1;
    std::string stop;
};

// Looked up by the cells of a file without a string made for each.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>{}(text);
    }
};
template <class Value>
using ByText = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

std::optional<std::string> nameOf(std::string_view text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

template <class Value>
bool passes(const std::vector<Value> &wanted, const Value &value) {
    return wanted.empty() || std::ranges::find(wanted, value) != wanted.end();
}

std::string quoted(const std::string &text) {
    return "'" + text + "'";
}
std::string quoted(int number) {
    return std::to_string(number);
}

class Reading {
public:
    Reading(FeedFiles &files, const FeedFilter &filter, FeedSummary &summary)
        : files_(files), filter_(filter), summary_(summary) {
        for (const std::string &route : filter.routes) {
            routeNames_.emplace_back(withoutBlanks(route));
        }
    }

    std::vector<Destination> read() {
        requireFile("routes.txt");
        requireFile("trips.txt");
        readAgencies();
        readRoutes();
        readTrips();
        if (files_.has("stop_times.txt")) {
            readStopTimes();
        }
        nameByLastStops();
        releaseTrips();
        return destinations();
    }

private:
    void requireFile(std::string_view name) const {
        if (!files_.has(name)) {
            throw BatchError(Errc::missingFile,
                             "the feed has no " + std::string(name) + files_.elsewhere(name));
        }
    }

    // A route without agency_id belongs to the feed's only agency.
    void readAgencies() {
        if (!files_.has("agency.txt")) {
            return;
        }
        static constexpr std::array<Column, 1> columns{{{"agency_id", false}}};
        std::uint64_t agencies = 0;
        readTable(files_, "agency.txt", columns, [&](const TableRow &row) {
            onlyAgency_ = ++agencies == 1 ? nameOf(row[0]) : std::nullopt;
        });
    }

    void readRoutes() {
        static constexpr std::array<Column, 4> columns{{{"route_id", true},
                                                        {"agency_id", false},
                                                        {"route_short_name", false},
                                                        {"route_type", false}}};
        std::set<std::string> agencies;
        std::set<std::string> names;
        std::set<int> types;
        readTable(files_, "routes.txt", columns, [&](const TableRow &row) {
            ++summary_.routes;
            Route route{std::string(row[0]), nameOf(row[2])};
            const std::optional<std::string> agency = row[1].empty() ? onlyAgency_ : nameOf(row[1]);
            const int type = routeType(row);
            route.selected =
                (filter_.agencies.empty() || (agency && passes(filter_.agencies, *agency))) &&
                passes(routeNames_, route.name.value_or("")) && passes(filter_.routeTypes, type);
            agencies.insert(agency.value_or(""));
            names.insert(route.name.value_or(""));
            types.insert(type);
            if (routeIndex_.try_emplace(route.id, static_cast<std::uint32_t>(routes_.size()))
                    .second) {
                summary_.routesSelected += route.selected ? 1 : 0;
                routes_.push_back(std::move(route));
            }
        });
        requireMatches(filter_.agencies, agencies, "agency_id");
        requireMatches(routeNames_, names, "route_short_name");
        requireMatches(filter_.routeTypes, types, "route_type");
    }

    // The route's type when a filter asks for it, else 0.
    int routeType(const TableRow &row) const {
        if (filter_.routeTypes.empty()) {
            return 0;
        }
        const std::string_view text = row[3];
        int type = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
        if (error != std::errc() || end != text.data() + text.size()) {
            throw BatchError(Errc::malformedFile, "routes.txt:" + std::to_string(row.line()) +
                                                      ": route_type '" + std::string(text) +
                                                      "' is not a number");
        }
        return type;
    }

    template <class Value>
    static void requireMatches(const std::vector<Value> &wanted, const std::set<Value> &found,
                               const char *column) {
        for (const Value &value : wanted) {
            if (!found.contains(value)) {
                throw BatchError(Errc::noMatch, "no route of routes.txt has " +
                                                    std::string(column) + " " + quoted(value));
            }
        }
    }

    void readTrips() {
        static constexpr std::array<Column, 3> columns{
            {{"route_id", true}, {"trip_id", true}, {"trip_headsign", false}}};
        const bool stopTimes = files_.has("stop_times.txt");
        readTable(files_, "trips.txt", columns, [&](const TableRow &row) {
            ++summary_.trips;
            const auto route = routeIndex_.find(row[0]);
            if (route == routeIndex_.end()) {
                skipUnknownRoute(row[0]);
                return;
            }
            if (!routes_[route->second].selected) {
                return;
            }
            ++summary_.tripsSelected;
            Trip trip{tripCount_, route->second};
            if (!row[2].empty()) {
                trip.destination = gather(route->second, row[2], byTrip);
            } else {
                trip.lastStop = static_cast<std::uint32_t>(lastStops_.size());
                lastStops_.push_back({route->second, false, -1, {}});
            }
            if (stopTimes) {
                trips_.try_emplace(std::string(row[1]), trip);
            }
            ++tripCount_;
        });
    }

    void skipUnknownRoute(std::string_view route) {
        ++summary_.tripsSkippedUnknownRoute;
        if (summary_.unknownRoutes.size() < unknownRoutesKept &&
            std::ranges::find(summary_.unknownRoutes, route) == summary_.unknownRoutes.end()) {
            summary_.unknownRoutes.emplace_back(route);
        }
    }

    void readStopTimes() {
        static constexpr std::array<Column, 4> columns{{{"trip_id", true},
                                                        {"stop_id", false},
                                                        {"stop_sequence", false},
                                                        {"stop_headsign", false}}};
        const auto needed = [&](const TableHeader &header) {
            for (const std::size_t column : {std::size_t{1}, std::size_t{2}}) {
                if (!lastStops_.empty() && !header.has(column)) {
                    throw BatchError(
                        Errc::missingColumn,
                        "stop_times.txt:1: no column " + std::string(columns[column].name) +
                            ", which the last stop of a trip without a headsign needs");
                }
            }
            return !trips_.empty() && (!lastStops_.empty() || header.has(3));
        };
        // A trip's stops come one after another: its lookup serves them all.
        std::optional<std::string> lastTrip;
        const Trip *trip = nullptr;
        readTable(files_, "stop_times.txt", columns, needed, [&](const TableRow &row) {
            ++summary_.stopTimes;
            if (row[0] != lastTrip) {
                const auto found = trips_.find(row[0]);
                trip = found == trips_.end() ? nullptr : &found->second;
                lastTrip = row[0];
            }
            if (trip == nullptr) {
                return; // of a trip not selected, or of none
            }
            if (!row[3].empty()) {
                ++summary_.stopHeadsigns;
                showStopHeadsign(*trip, gather(trip->route, row[3], byStop));
            }
            if (trip->lastStop != none) {
                noteStop(lastStops_[trip->lastStop], row);
            }
        });
    }

    // A trip counts once for each destination it shows.
    void showStopHeadsign(const Trip &trip, std::uint32_t destination) {
        if (destination == trip.destination) {
            return;
        }
        if (trip.lastStop != none) {
            lastStops_[trip.lastStop].stopHeadsign = true;
        }
        if (shown_.insert(std::uint64_t{trip.index} << 32 | destination).second) {
            ++gathered_[destination].trips;
        }
    }

    static void noteStop(LastStop &last, const TableRow &row) {
        const std::string_view text = row[2];
        std::int64_t sequence = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), sequence);
        if (error != std::errc() || end != text.data() + text.size() || sequence < 0) {
            throw BatchError(Errc::malformedFile, "stop_times.txt:" + std::to_string(row.line()) +
                                                      ": stop_sequence '" + std::string(text) +
                                                      "' is not a number");
        }
        if (sequence > last.sequence) {
            last.sequence = sequence;
            last.stop = row[1];
        }
    }

    void nameByLastStops() {
        ByText<std::string> names; // of the last stops
        for (const LastStop &last : lastStops_) {
            if (!last.stopHeadsign && !last.stop.empty()) {
                names.try_emplace(last.stop);
            }
        }
        if (!names.empty() && files_.has("stops.txt")) {
            static constexpr std::array<Column, 2> columns{
                {{"stop_id", true}, {"stop_name", true}}};
            readTable(files_, "stops.txt", columns, [&](const TableRow &row) {
                const auto stop = names.find(row[0]);
                if (stop != names.end() && stop->second.empty()) {
                    stop->second = row[1];
                }
            });
        }
        for (const LastStop &last : lastStops_) {
            if (last.stopHeadsign) {
                continue;
            }
            const auto stop = names.find(last.stop);
            if (stop == names.end() || stop->second.empty()) {
                ++summary_.tripsWithoutSign;
                continue;
            }
            ++summary_.tripsFromLastStop;
            gather(last.route, stop->second, byLastStop);
        }
    }

    // What was kept of every trip, given back before the destinations are made: it is most of
    // what reading a feed holds, and would otherwise add to what they take.
    void releaseTrips() {
        trips_ = {};
        lastStops_ = {};
        shown_ = {};
        gatheredIndex_ = {};
    }

    // The destination of headsign on route, counting one more trip unless a stop gives it.
    std::uint32_t gather(std::uint32_t route, std::string_view headsign, Naming naming) {
        const std::optional<std::string> &name = routes_[route].name;
        // A trip at a time: the key is made in a buffer kept for it, and kept only when new.
        key_.assign(name ? "1" : "0");
        key_ += name.value_or("");
        key_ += '\0';
        key_ += headsign;
        auto found = gatheredIndex_.find(key_);
        if (found == gatheredIndex_.end()) {
            found =
                gatheredIndex_.emplace(key_, static_cast<std::uint32_t>(gathered_.size())).first;
            gathered_.push_back({std::string(headsign), {}, 0, 0});
        }
        Gathered &destination = gathered_[found->second];
        destination.naming |= naming;
        destination.trips += naming == byStop ? 0 : 1;
        if (std::ranges::find(destination.routes, route) == destination.routes.end()) {
            destination.routes.push_back(route);
        }
        return found->second;
    }

    std::string sourceOf(const Gathered &gathered) const {
        std::string source = "route_id " + routes_[gathered.routes.front()].id;
        if (gathered.routes.size() > 1) {
            source += " and " + std::to_string(gathered.routes.size() - 1) + " more";
        }
        source += ", trips " + std::to_string(gathered.trips) + ",";
        const char *separator = " ";
        for (const auto &[naming, name] : {std::pair{byTrip, "trip_headsign"},
                                           {byStop, "stop_headsign"},
                                           {byLastStop, "last stop"}}) {
            if ((gathered.naming & naming) != 0) {
                source += separator;
                source += name;
                separator = " and ";
            }
        }
        return source;
    }

    std::vector<Destination> destinations() {
        std::vector<Destination> out;
        out.reserve(gathered_.size());
        for (const Gathered &gathered : gathered_) {
            const std::optional<std::string> &route = routes_[gathered.routes.front()].name;
            out.push_back({destinationCode(route, gathered.headsign), route, gathered.headsign,
                           gathered.naming == byLastStop, gathered.trips, sourceOf(gathered)});
        }
        std::ranges::sort(out, [](const Destination &one, const Destination &other) {
            if (one.route.has_value() != other.route.has_value()) {
                return one.route.has_value();
            }
            if (const int order = naturalCompare(one.route.value_or(""), other.route.value_or(""));
                order != 0) {
                return order < 0;
            }
            return naturalCompare(one.headsign, other.headsign) < 0;
        });
        return out;
    }

    FeedFiles &files_;
    const FeedFilter &filter_;
    FeedSummary &summary_;
    std::vector<std::string> routeNames_; // of the filter, without surrounding spaces
    std::optional<std::string> onlyAgency_;
    std::vector<Route> routes_;
    ByText<std::uint32_t> routeIndex_;
    std::vector<Gathered> gathered_;
    ByText<std::uint32_t> gatheredIndex_;
    std::string key_;    // of gatheredIndex_, being made
    ByText<Trip> trips_; // by trip_id, when stop_times.txt is there
    std::uint32_t tripCount_ = 0;
    std::vector<LastStop> lastStops_;
    std::unordered_set<std::uint64_t> shown_; // trip << 32 | destination, by stop_headsign
};

// Codes that differ only in case name one file on some file systems.
void refuseSharedCodes(const std::vector<Destination> &destinations) {
    Codes codes;
    for (const Destination &destination : destinations) {
        codes.add(destination.code, 0);
    }
    if (const auto shared = codes.duplicate()) {
        const auto name = [&](std::size_t at) {
            return destinations[at].route.value_or("") + " '" + destinations[at].headsign + "'";
        };
        const auto [later, earlier] = *shared;
        throw BatchError(Errc::codeCollision, "the destinations " + name(earlier) + " and " +
                                                  name(later) + " would share the code " +
                                                  destinations[later].code);
    }
}

} // namespace

Result<std::vector<Destination>> readDestinations(std::string_view path, const FeedFilter &filter,
                                                  const FeedLimits &limits, FeedSummary *summary,
                                                  std::string *reason) noexcept {
    FeedSummary ignored;
    FeedSummary &found = summary != nullptr ? *summary : ignored;
    const auto refuse = [&](std::error_code error, std::string text) {
        if (reason != nullptr) {
            *reason = std::string(path) + ": " + text;
        }
        return error;
    };
    try {
        found = {};
        const std::unique_ptr<FeedFiles> files = openFeed(path, limits);
        std::vector<Destination> destinations = Reading(*files, filter, found).read();
        refuseSharedCodes(destinations);
        return destinations;
    } catch (const BatchError &error) {
        return refuse(error.error(), error.what());
    } catch (const std::bad_alloc &) {
        return refuse(std::make_error_code(std::errc::not_enough_memory), "out of memory");
    } catch (const std::exception &error) {
        return refuse(std::make_error_code(std::errc::io_error), error.what());
    }
}

} // namespace qrvx::batch
