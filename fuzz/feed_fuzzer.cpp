// Timetable feeds: arbitrary bytes as a zip archive or as the files of a folder. A feed is
// refused with an error of its own category (or for lack of memory), or gives destinations with
// valid codes that no two share, also ignoring case, and a summary that adds up.
//   payload: a zip archive when it starts as one ("PK"); else agency.txt, routes.txt, trips.txt,
//   stop_times.txt and stops.txt one after another, each ended by the byte 0x1E (a file the
//   payload does not reach is left out);
//   control bit 1: only routes of route_type 3; bit 2: only route "1".
#include "fuzz_input.hpp"
#include "qrvx_batch.hpp"
#include "scratch_directory.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using namespace qrvx::batch;

constexpr std::array<const char *, 5> fileNames{"agency.txt", "routes.txt", "trips.txt",
                                                "stop_times.txt", "stops.txt"};

void write(const fs::path &path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The feed's path: an archive, or a folder of the files the payload holds.
fs::path writeFeed(std::string_view bytes) {
    const fs::path &root = qrvx::fuzz::scratchDirectory("qrvx_feed_fuzz");
    fs::remove_all(root / "feed");
    if (bytes.starts_with("PK")) {
        write(root / "feed", bytes);
        return root / "feed";
    }
    fs::create_directory(root / "feed");
    for (const char *name : fileNames) {
        const std::size_t end = bytes.find('\x1E');
        if (bytes.empty()) {
            break;
        }
        write(root / "feed" / name, bytes.substr(0, end));
        bytes.remove_prefix(end == bytes.npos ? bytes.size() : end + 1);
    }
    return root / "feed";
}

bool validCode(std::string_view code) {
    return !code.empty() && code.size() <= 40 && std::ranges::all_of(code, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

void checkDestinations(const std::vector<Destination> &destinations, const FeedSummary &s) {
    FUZZ_CHECK(s.routesSelected <= s.routes);
    FUZZ_CHECK(s.tripsSelected + s.tripsSkippedUnknownRoute <= s.trips);
    FUZZ_CHECK(s.tripsFromLastStop + s.tripsWithoutSign <= s.tripsSelected);
    FUZZ_CHECK(s.stopHeadsigns <= s.stopTimes);
    std::set<std::string> codes;
    std::uint64_t lastStopTrips = 0;
    for (const Destination &d : destinations) {
        FUZZ_CHECK(validCode(d.code));
        std::string folded = d.code;
        std::ranges::transform(folded, folded.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        FUZZ_CHECK(codes.insert(folded).second);
        FUZZ_CHECK(!d.headsign.empty() && (!d.route || !d.route->empty()) && d.trips > 0);
        lastStopTrips += d.fromLastStop ? d.trips : 0;
    }
    FUZZ_CHECK(lastStopTrips <= s.tripsFromLastStop);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    qrvx::fuzz::FuzzInput input(data, size);
    const auto payload = input.payload();
    const fs::path feed =
        writeFeed({reinterpret_cast<const char *>(payload.data()), payload.size()});
    FeedFilter filter;
    if (input.option(0)) {
        filter.routeTypes = {3};
    }
    if (input.option(1)) {
        filter.routes = {"1"};
    }
    FeedSummary summary;
    const auto destinations = readDestinations(feed.string(), filter, {64 << 20, 250}, &summary);
    if (!destinations) {
        FUZZ_CHECK(destinations.error().category() == errorCategory() ||
                   destinations.error() == std::errc::not_enough_memory);
        return 0;
    }
    checkDestinations(*destinations, summary);
    return 0;
}
