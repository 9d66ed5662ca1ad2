// Destinations from timetable feeds: one table of small feeds, each read as a folder and as a
// zip archive, hostile archives, and the real feeds beside the project when they are there.
#include "qrvx_batch.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace qrvx::batch {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

const std::string routes = "route_id,agency_id,route_short_name,route_type\n"
                           "r10,1,10,3\nr2,1,2,0\nrN,2,N80,3\n";
const std::string trips = "route_id,trip_id,trip_headsign\n"
                          "r10,t1,Hauptbahnhof\nr2,t2,Zoo\nrN,t3,Flughafen\n";

Files feed(Files changes) {
    Files files{{"routes.txt", routes}, {"trips.txt", trips}};
    for (auto &[name, text] : changes) {
        if (text.empty()) {
            files.erase(name);
        } else {
            files[name] = std::move(text);
        }
    }
    return files;
}

void writeFolder(const fs::path &folder, const Files &files) {
    fs::create_directories(folder);
    for (const auto &[name, text] : files) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
}

void writeZip(const fs::path &path, const Files &files) {
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto &[name, text] : files) {
        zip_source_t *source = zip_source_buffer(archive, text.data(), text.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0);
}

std::string readBytes(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Sets what an archive's headers declare as the inflated size of entry.
void declareSize(const fs::path &path, const std::string &entry, std::uint32_t size) {
    std::string bytes = readBytes(path);
    const auto patch = [&](std::string_view signature, std::size_t nameAt, std::size_t sizeAt) {
        for (std::size_t at = bytes.find(signature); at != std::string::npos;
             at = bytes.find(signature, at + 1)) {
            if (bytes.compare(at + nameAt, entry.size(), entry) == 0) {
                for (std::size_t i = 0; i < 4; ++i) {
                    bytes[at + sizeAt + i] = static_cast<char>(size >> (8 * i));
                }
            }
        }
    };
    patch("PK\3\4", 30, 22);
    patch("PK\1\2", 46, 24);
    std::ofstream(path, std::ios::binary) << bytes;
}

// "ROUTE|HEADSIGN|TRIPS", "-" for no route, "*" after the trips when named by the last stop.
std::vector<std::string> described(const std::vector<Destination> &destinations) {
    std::vector<std::string> lines;
    for (const Destination &d : destinations) {
        lines.push_back(d.route.value_or("-") + "|" + d.headsign + "|" + std::to_string(d.trips) +
                        (d.fromLastStop ? "*" : ""));
    }
    return lines;
}

void expectValidCodes(const std::vector<Destination> &destinations) {
    std::set<std::string> folded;
    for (const Destination &d : destinations) {
        EXPECT_TRUE(!d.code.empty() && d.code.size() <= 40 &&
                    std::ranges::all_of(d.code,
                                        [](char c) {
                                            return (c >= 'a' && c <= 'z') ||
                                                   (c >= 'A' && c <= 'Z') ||
                                                   (c >= '0' && c <= '9') || c == '-' || c == '_';
                                        }))
            << d.code;
        std::string lower = d.code;
        std::ranges::transform(lower, lower.begin(), [](char c) { return std::tolower(c); });
        EXPECT_TRUE(folded.insert(lower).second) << "code twice: " << d.code;
    }
}

struct FeedCase {
    const char *name;
    Files files;
    std::vector<std::string> destinations; // or, for a refusal:
    std::error_code error = {};
    std::string reason = {};
    FeedFilter filter = {};
    std::function<void(const FeedSummary &)> summary = {};
};

const std::vector<FeedCase> &feedCases() {
    static const std::vector<FeedCase> cases{
        {"plain, routes in natural order",
         feed({}),
         {"2|Zoo|1", "10|Hauptbahnhof|1", "N80|Flughafen|1"}},
        {"BOM, CRLF, quoted cells, extra columns, any order, spaces around",
         feed({{"routes.txt", "\xEF\xBB\xBFroute_type,extra,route_short_name,route_id\r\n"
                              "3,\"x, y\",\" C \",rC\r\n"},
               {"trips.txt", "trip_headsign,trip_id,route_id,more\r\n"
                             "\"Dallgow-Döberitz, Havelpark\",t1,rC,\r\n"
                             "\"Say \"\"Hi\"\"\",t2,rC,\"a\r\nb\"\r\n"}}),
         {"C|Dallgow-Döberitz, Havelpark|1", "C|Say \"Hi\"|1"}},
        {"stop_headsign changes along the way; a trip counts once a destination",
         feed({{"stop_times.txt", "trip_id,stop_sequence,stop_id,stop_headsign\n"
                                  "t1,1,s1,\nt1,2,s2,Mitte\nt1,3,s3,Mitte\nt1,4,s4,Hauptbahnhof\n"
                                  "t2,1,s1,Zoo\n"}}),
         {"2|Zoo|1", "10|Hauptbahnhof|1", "10|Mitte|1", "N80|Flughafen|1"},
         {},
         {},
         {},
         [](const FeedSummary &s) { EXPECT_EQ(s.stopHeadsigns, 4u); }},
        {"no headsign: the highest stop_sequence's stop names the trip",
         feed({{"trips.txt", trips + "r10,t4,\nr10,t5,\nr10,t6,\nr2,t7,\n"},
               {"stop_times.txt", "trip_id,stop_id,stop_sequence,stop_headsign\n"
                                  "t4,s1,1,\nt4,s9,10,\nt4,s2,2,\nt5,s1,1,\nt5,s1,2,Ring\n"
                                  "t6,s1,1,\nt6,s8,2,\n"},
               {"stops.txt", "stop_id,stop_name\ns1,Start\ns2,Hof\ns9,Depot\n"}}),
         {"2|Zoo|1", "10|Depot|1*", "10|Hauptbahnhof|1", "10|Ring|1", "N80|Flughafen|1"},
         {},
         {},
         {},
         [](const FeedSummary &s) {
             EXPECT_EQ(s.tripsFromLastStop, 1u);
             EXPECT_EQ(s.tripsWithoutSign, 2u); // t6: no such stop; t7: no stop times
         }},
        {"blanks around cells, empty rows, a quoted cell over lines, columns not read",
         feed({{"stop_times.txt", "trip_id,stop_sequence,stop_id,stop_headsign,pickup_type\n"
                                  " t1 ,\t1, s1 ,  Mitte ,0\n\n,, ,,\n"
                                  "t1,2,s2,Ring,\"a\nt2,3,s3,Nord,0\nb\"\nt2,1,s1,,x\n"}}),
         {"2|Zoo|1", "10|Hauptbahnhof|1", "10|Mitte|1", "10|Ring|1", "N80|Flughafen|1"},
         {},
         {},
         {},
         [](const FeedSummary &s) {
             EXPECT_EQ(s.stopTimes, 3u);
             EXPECT_EQ(s.stopHeadsigns, 2u);
         }},
        {"text that is not UTF-8 in a column not read",
         feed({{"stop_times.txt", "trip_id,stop_headsign,note\nt1,,M\xFC"
                                  "nchen\n"}}),
         {},
         Errc::invalidUtf8,
         "stop_times.txt:2: not UTF-8 (byte 2 of a cell"},
        {"a NUL in a column not read",
         feed({{"stop_times.txt",
                "trip_id,stop_headsign,note\nt1,,a" + std::string(1, '\0') + "b\n"}}),
         {},
         Errc::malformedFile,
         "stop_times.txt:2: a NUL character in a cell"},
        {"more cells than a row may have",
         feed({{"stop_times.txt", "trip_id,stop_headsign\nt1," + std::string(300, ',') + "\n"}}),
         {},
         Errc::malformedFile,
         "stop_times.txt:2: more than 256 cells"},
        {"a route without a short name has none, and comes last",
         feed({{"routes.txt", routes + "rX,1,,3\n"}, {"trips.txt", trips + "rX,t9,Zoo\n"}}),
         {"2|Zoo|1", "10|Hauptbahnhof|1", "N80|Flughafen|1", "-|Zoo|1"}},
        {"a trip of an unknown route is skipped and counted",
         feed({{"trips.txt", trips + "r9,t7,Nowhere\nr9,t8,Nowhere\n"}}),
         {"2|Zoo|1", "10|Hauptbahnhof|1", "N80|Flughafen|1"},
         {},
         {},
         {},
         [](const FeedSummary &s) {
             EXPECT_EQ(s.tripsSkippedUnknownRoute, 2u);
             EXPECT_EQ(s.unknownRoutes, std::vector<std::string>{"r9"});
             EXPECT_EQ(s.trips, 5u);
         }},
        {"headsigns alike but for case and accents stay apart",
         feed({{"trips.txt", trips + "r10,t4,HAUPTBAHNHOF\nr10,t5,Hauptbahnhöf\nr10,t6,"
                                     "Hauptbahnhof\n"}}),
         {"2|Zoo|1", "10|HAUPTBAHNHOF|1", "10|Hauptbahnhof|2", "10|Hauptbahnhöf|1",
          "N80|Flughafen|1"}},
        {"filter: agency; a route without one belongs to the only agency",
         feed({{"agency.txt", "agency_id,agency_name\n2,Night\n"},
               {"routes.txt", routes + "rY,,Y,3\n"},
               {"trips.txt", trips + "rY,t9,Ost\n"}}),
         {"N80|Flughafen|1", "Y|Ost|1"},
         {},
         {},
         {{"2"}, {}, {}}},
        {"filter: a route without agency where agency.txt lists several passes no agency",
         feed({{"agency.txt", "agency_id\n1\n2\n"},
               {"routes.txt", routes + "rY,,Y,3\n"},
               {"trips.txt", trips + "rY,t9,Ost\n"}}),
         {"N80|Flughafen|1"},
         {},
         {},
         {{"2"}, {}, {}}},
        {"filter: route names and types together",
         feed({}),
         {"10|Hauptbahnhof|1"},
         {},
         {},
         {{}, {"10", " 2 "}, {3}},
         [](const FeedSummary &s) {
             EXPECT_EQ(s.routesSelected, 1u);
             EXPECT_EQ(s.tripsSelected, 1u);
         }},
        {"filter: a route the feed lacks",
         feed({}),
         {},
         Errc::noMatch,
         "no route of routes.txt has route_short_name 'Q9'",
         {{}, {"Q9"}, {}}},
        {"filter: a route type the feed lacks",
         feed({}),
         {},
         Errc::noMatch,
         "route_type 7",
         {{}, {}, {7}}},
        {"no routes.txt", feed({{"routes.txt", ""}}), {}, Errc::missingFile, "no routes.txt"},
        {"no trips.txt", feed({{"trips.txt", ""}}), {}, Errc::missingFile, "no trips.txt"},
        {"no trip_id",
         feed({{"trips.txt", "route_id,headsign\nr10,Zoo\n"}}),
         {},
         Errc::missingColumn,
         "trips.txt:1: no column trip_id"},
        {"text that is not UTF-8",
         feed({{"trips.txt", trips + "r10,t8,M\xFC"
                                     "nchen\n"}}),
         {},
         Errc::invalidUtf8,
         "trips.txt:5: not UTF-8 (byte 2 of a cell"},
        {"malformed quoting",
         feed({{"routes.txt", routes + "r\"x,1,1,3\n"}}),
         {},
         Errc::malformedFile,
         "routes.txt:5: malformed quoting"},
        {"a stop_sequence that is no number",
         feed({{"trips.txt", trips + "r10,t4,\n"},
               {"stop_times.txt", "trip_id,stop_id,stop_sequence\nt4,s1,first\n"}}),
         {},
         Errc::malformedFile,
         "stop_times.txt:2: stop_sequence 'first' is not a number"},
        {"no stop_sequence where a trip needs its last stop",
         feed({{"trips.txt", trips + "r10,t4,\n"}, {"stop_times.txt", "trip_id,stop_id\nt4,s1\n"}}),
         {},
         Errc::missingColumn,
         "stop_times.txt:1: no column stop_sequence, which the last"},
    };
    return cases;
}

class FeedTable : public ::testing::TestWithParam<bool> {};

TEST_P(FeedTable, EachCaseAsFolderOrArchive) {
    const bool zipped = GetParam();
    const test::TempDir dir("qrvx_feed");
    for (const FeedCase &c : feedCases()) {
        SCOPED_TRACE(c.name);
        const fs::path path =
            dir.path() / (std::to_string(&c - feedCases().data()) + (zipped ? ".zip" : ""));
        zipped ? writeZip(path, c.files) : writeFolder(path, c.files);
        FeedSummary summary;
        std::string reason;
        const auto result = readDestinations(path.string(), c.filter, {}, &summary, &reason);
        if (c.error) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error(), c.error) << reason;
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
            continue;
        }
        ASSERT_TRUE(result) << reason;
        EXPECT_EQ(described(*result), c.destinations);
        expectValidCodes(*result);
        if (c.summary) {
            c.summary(summary);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Feed, FeedTable, ::testing::Values(false, true),
                         [](const auto &param) { return param.param ? "zip" : "folder"; });

// Codes: readable, and the same whatever else the feed holds.
TEST(FeedCodes, DependOnTheirPairAloneAndReadAsAscii) {
    const test::TempDir dir("qrvx_feed");
    const auto codes = [&](const Files &files, const FeedFilter &filter = {}) {
        writeFolder(dir.path() / "f", files);
        std::map<std::string, std::string> byPair;
        // The value of a temporary result lasts through the loop.
        for (const Destination &d : readDestinations(dir.file("f"), filter).value()) {
            byPair[d.route.value_or("-") + "|" + d.headsign] = d.code;
        }
        fs::remove_all(dir.path() / "f");
        return byPair;
    };
    const auto before = codes(feed({}));
    const std::string headsign = "John's Ærø Łódź Straße";
    const auto after = codes(feed({{"trips.txt", trips + "r10,t4," + headsign + "\n"}}));
    EXPECT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.at("10|" + headsign).substr(0, 26), "10_Johns-AEro-Lodz-Strass_");
    for (const auto &[pair, code] : before) {
        EXPECT_EQ(after.at(pair), code) << pair;
    }
    EXPECT_EQ(codes(feed({}), {{}, {"10"}, {}}).at("10|Hauptbahnhof"),
              before.at("10|Hauptbahnhof"));
}

TEST(FeedArchive, HostileArchivesAreRefusedWithTheirReason) {
    const test::TempDir dir("qrvx_feed");
    const std::string zeros(4 << 20, '0');
    struct Hostile {
        const char *name;
        Files files;
        std::function<void(const fs::path &)> change;
        FeedLimits limits;
        std::error_code error;
        std::string reason;
    };
    const std::vector<Hostile> cases{
        {"a bomb",
         feed({{"stops.txt", zeros}}),
         {},
         {},
         Errc::tooLarge,
         "stops.txt declares more than 250 times its compressed size (the limit of the "
         "compression ratio)"},
        {"a bomb that declares a small size",
         feed({{"trips.txt", trips + zeros}}),
         [](const fs::path &path) { declareSize(path, "trips.txt", 1 << 12); },
         {},
         Errc::tooLarge,
         "trips.txt inflates to more than"},
        {"more inflated than the limit, file by file",
         feed({}),
         {},
         {100, 250},
         Errc::tooLarge,
         "inflate to more than 100 bytes (the limit of inflated bytes)"},
        {"..",
         feed({{"../routes.txt", routes}}),
         {},
         {},
         Errc::unsafeArchive,
         "'../routes.txt', with '..'"},
        {"an absolute path",
         feed({{"/tmp/routes.txt", routes}}),
         {},
         {},
         Errc::unsafeArchive,
         "'/tmp/routes.txt', an absolute path"},
        {"a name twice",
         feed({{"routes.tx_", routes}}),
         [](const fs::path &path) {
             std::string bytes = readBytes(path);
             for (std::size_t at; (at = bytes.find("routes.tx_")) != std::string::npos;) {
                 bytes[at + 9] = 't';
             }
             std::ofstream(path, std::ios::binary) << bytes;
         },
         {},
         Errc::unsafeArchive,
         "two entries named 'routes.txt'"},
        {"a name twice, but for a dot",
         feed({{"./routes.txt", routes}}),
         {},
         {},
         Errc::unsafeArchive,
         "two entries named 'routes.txt'"},
        {"files in a folder of the archive",
         {{"gtfs/routes.txt", routes}, {"trips.txt", trips}},
         {},
         {},
         Errc::missingFile,
         "no routes.txt (the archive has it as gtfs/routes.txt"},
        {"not an archive",
         {},
         [](const fs::path &path) { std::ofstream(path) << routes; },
         {},
         Errc::notAFeed,
         "not a folder, and not a zip archive"},
    };
    for (const Hostile &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.path() / "feed.zip";
        writeZip(path, c.files);
        if (c.change) {
            c.change(path);
        }
        std::string reason;
        const auto result = readDestinations(path.string(), {}, c.limits, nullptr, &reason);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), c.error) << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
    EXPECT_EQ(readDestinations(dir.file("none.zip")).error(), std::errc::no_such_file_or_directory);
}

// The real feeds beside the project (../shared/gtfs), never copied into it.
TEST(FeedReal, FourNetworks) {
    const fs::path folder = QRVX_GTFS_DIR;
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no real feeds at " << folder;
    }
    const std::map<std::string, std::size_t> counts{{"de-berlin-vbb-subset.zip", 10},
                                                    {"sk-bratislava-dpb.zip", 258},
                                                    {"pl-wroclaw-mpk.zip", 459},
                                                    // 19 trip headsigns, 8 stop headsigns
                                                    {"ca-qc-transcollines.zip", 27}};
    for (const auto &[file, count] : counts) {
        SCOPED_TRACE(file);
        FeedSummary summary;
        std::string reason;
        const auto destinations =
            readDestinations((folder / file).string(), {}, {}, &summary, &reason);
        ASSERT_TRUE(destinations) << reason;
        EXPECT_EQ(destinations->size(), count);
        EXPECT_EQ(summary.tripsSkippedUnknownRoute, 0u);
        expectValidCodes(*destinations);
        for (const Destination &d : *destinations) {
            EXPECT_TRUE(d.route && !d.route->ends_with(' ') && d.trips > 0) << d.source;
        }
    }
}

} // namespace
} // namespace qrvx::batch
