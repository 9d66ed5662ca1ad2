// The batch engine through its header: lists read into rows, the ordered pipeline, runs into a
// directory (threads, refusals, re-runs, the faces of a sign set), and a feed made into the same
// signs as the list it writes.
#include "ordered_pipeline.hpp"
#include "qrvx_batch.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>

namespace qrvx::batch {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

const std::string aeroplane = "\xE2\x9C\x88"; // in no built-in font

std::string contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every file under a directory by its path there, with its bytes.
Files files(const fs::path &directory) {
    Files all;
    for (const auto &entry : fs::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            all[fs::relative(entry.path(), directory).string()] = contents(entry.path());
        }
    }
    return all;
}

class Collected : public Observer {
public:
    void rowDone(const RowOutcome &outcome) override {
        for (const FaceOutcome &face : outcome.faces) {
            std::string text =
                outcome.row->code + (face.face.empty() ? "" : "/") + std::string(face.face) + ": ";
            text += face.refusal        ? "refused " + *face.refusal
                    : face.sign.empty() ? "nothing to show"
                    : face.made         ? std::string(face.change == Change::added     ? "new"
                                                      : face.change == Change::changed ? "changed"
                                                                                       : "unchanged")
                                        : "drawn by an earlier row";
            rows.push_back(text);
        }
    }
    std::vector<std::string> rows;
};

class Batch : public ::testing::Test {
protected:
    fs::path out() const { return root_.path() / "out"; }
    fs::path listPath() const { return root_.path() / "list.csv"; }

    Result<Summary> run(const std::string &list, RunOptions options = {}) {
        std::ofstream(listPath(), std::ios::binary) << list;
        options.directory = out().string();
        options.listName = "list.csv";
        options.jobs = std::max(options.jobs, 1u);
        observed = {};
        return batch::run(options, listRows(listPath().string(), options.defaults), observed,
                          &reason);
    }

    std::string reason;
    Collected observed;

private:
    test::TempDir root_{"qrvx_run"};
};

// A list's rows as spreadsheets write them: rows kept, or the list refused before anything is
// written, naming the line.
TEST_F(Batch, ListsReadAsSpreadsheetsWriteThem) {
    const struct {
        const char *what;
        std::string list;
        std::string refusal; // a part of the reason; empty: the list is made
        std::vector<std::string> lines;
    } cases[] = {
        {"quoted comma", "code,line1\nA,\"Hafen, Nord\"\n", "", {"Hafen, Nord"}},
        {"doubled quotes", "code,line1\nA,\"Say \"\"hi\"\"\"\n", "", {"Say \"hi\""}},
        {"BOM and CRLF",
         "\xEF\xBB\xBF"
         "code,line1\r\nA,Hafen\r\n",
         "",
         {"Hafen"}},
        {"lines in any order, an empty one left out",
         "line2,code,line1,line3\nB,A,,C\n",
         "",
         {"B", "C"}},
        {"source read and ignored",
         "code,line1,source\nA,Hafen,route 10: 3 trips\n",
         "",
         {"Hafen"}},
        {"a quote in an unquoted cell", "code,line1\nA,Ha\"fen\n", "list.csv:2: malformed", {}},
        {"codes again, ignoring case",
         "code,line1\nA,x\nB,y\na,z\n",
         "list.csv:4: code 'a' again (line 2)",
         {}},
        {"unknown column", "code,line1,colour_system\nA,x,1\n", "list.csv:1: unknown column", {}},
        {"a code that is a path", "code,line1\n../x,Hafen\n", "list.csv:2: code '../x'", {}},
        {"no code column", "line1\nHafen\n", "no column 'code'", {}},
        {"not UTF-8", "code,line1\nA,G\xF6ttingen\n", "list.csv:2: not UTF-8", {}},
        {"a face's wording without a sign set",
         "code,line1,side.line1\nA,Hafen,H\n",
         "list.csv:2: side.line1... names no face",
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out());
        RunOptions options;
        options.defaults.options["width"] = {"128"};
        const auto summary = run(c.list, options);
        if (!c.refusal.empty()) {
            EXPECT_FALSE(summary);
            EXPECT_NE(reason.find(c.refusal), std::string::npos) << reason;
            EXPECT_FALSE(fs::exists(out())); // nothing written, not even the directory
            continue;
        }
        ASSERT_TRUE(summary) << reason;
        std::vector<std::string> lines;
        listRows(listPath().string(), {})([&](Row &&row) { lines = row.request.lines; }, nullptr);
        EXPECT_EQ(lines, c.lines);
    }
}

// Results in the order jobs came, whatever the threads; at most `window` units in flight; what a
// job threw arrives at its turn.
TEST(OrderedPipeline, KeepsOrderBoundsItsWindowAndPassesOnAFailure) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        std::vector<int> taken;
        std::atomic<int> inFlight{0}, mostInFlight{0};
        const std::size_t window = 3, unit = 2;
        OrderedPipeline<int, int> pipeline(
            threads, window, unit,
            [&](int &job) {
                mostInFlight = std::max(mostInFlight.load(), ++inFlight);
                if (job == 37) {
                    throw std::runtime_error("job 37");
                }
                return job * job;
            },
            [&](int &done) {
                taken.push_back(done);
                --inFlight;
            });
        std::string failure;
        try {
            for (int job = 0; job < 50; ++job) {
                pipeline.submit(job);
            }
            pipeline.finish();
        } catch (const std::runtime_error &error) {
            failure = error.what();
        }
        EXPECT_EQ(failure, "job 37") << threads;
        ASSERT_GE(taken.size(), 36u) << threads; // every job before the failing one's unit
        for (std::size_t i = 0; i < taken.size(); ++i) {
            EXPECT_EQ(taken[i], static_cast<int>(i * i));
        }
        EXPECT_LE(static_cast<std::size_t>(mostInFlight.load()), (window + 1) * unit) << threads;
    }
}

// A refused row fails alone and takes its earlier sign away; threads change no byte.
TEST_F(Batch, RowsMadeAloneInTheSameBytesOnAnyThreads) {
    std::string list = "code,route,line1,line2,width\n";
    for (int row = 0; row < 40; ++row) {
        list += "R" + std::to_string(row) + "," + std::to_string(row) + ",Haltestelle " +
                std::to_string(row * 7919) + (row % 3 == 0 ? ",via Markt" : ",") +
                (row % 5 == 0 ? ",80\n" : ",\n");
    }
    list += "X,1," + aeroplane + ",,\n";
    fs::create_directories(out());
    std::ofstream(out() / "X.png") << "from an earlier run";
    RunOptions options;
    options.defaults.options["width"] = {"128"};
    const auto one = run(list, options);
    ASSERT_TRUE(one) << reason;
    EXPECT_EQ(std::tuple(one->rows, one->signs, one->refused), std::tuple(41u, 40u, 1u));
    EXPECT_EQ(observed.rows.back(), "X: refused line 1: U+2708 \"\xE2\x9C\x88\" is not in "
                                    "sign-14, sign-14-narrow, sign-6, sign-6-narrow");
    const Files made = files(out());
    EXPECT_EQ(made.size(), 2 * 40 + 3u); // signs, page, sheet, the list of signs made
    EXPECT_FALSE(made.contains("X.png"));
    fs::remove_all(out());
    options.jobs = 2;
    ASSERT_TRUE(run(list, options));
    EXPECT_TRUE(files(out()) == made);
}

// A re-run writes only what changed, and says so; signs no longer made are taken away.
TEST_F(Batch, ReRunsTouchOnlyWhatChanged) {
    const std::string list = "code,line1\nA,Hafen\nB,Markt\nC,Zoo\n";
    ASSERT_TRUE(run(list));
    struct stat before {};
    ::stat((out() / "A.qrvx").c_str(), &before);
    const auto again = run(list);
    ASSERT_TRUE(again);
    EXPECT_EQ(std::tuple(again->added, again->changed, again->unchanged, again->removed),
              std::tuple(0u, 0u, 3u, 0u));
    struct stat after {};
    ::stat((out() / "A.qrvx").c_str(), &after);
    EXPECT_EQ(std::pair(before.st_ino, before.st_mtim.tv_nsec),
              std::pair(after.st_ino, after.st_mtim.tv_nsec)); // untouched, not rewritten

    const auto changed = run("code,line1\nA,Hafen\nB,Marktplatz\nD,Dom\n");
    ASSERT_TRUE(changed);
    EXPECT_EQ(std::tuple(changed->added, changed->changed, changed->unchanged, changed->removed),
              std::tuple(1u, 1u, 1u, 1u));
    EXPECT_EQ(observed.rows, (std::vector<std::string>{"A: unchanged", "B: changed", "D: new"}));
    EXPECT_FALSE(fs::exists(out() / "C.qrvx"));
    EXPECT_NE(contents(out() / "index.html").find("Removed since the last run"), std::string::npos);

    // The record of the last run names only signs in the directory: a planted line leading out
    // of it takes nothing away.
    std::ofstream(out().parent_path() / "keep.qrvx") << "kept";
    std::ofstream(out() / ".qrvx-signs", std::ios::app) << "../keep\n";
    ASSERT_TRUE(run("code,line1\nA,Hafen\n"));
    EXPECT_TRUE(fs::exists(out().parent_path() / "keep.qrvx"));
}

// Every face at its size in its folder, a face's own wording, and a route face once a route.
TEST_F(Batch, EveryFaceOfASignSet) {
    const fs::path set = out().parent_path() / "fleet.toml";
    std::ofstream(set) << "[[face]]\nname = \"front\"\nwidth = 128\nheight = 16\n"
                          "[[face]]\nname = \"side\"\nwidth = 112\nheight = 16\n"
                          "shows = \"destination\"\n"
                          "[[face]]\nname = \"rear\"\nwidth = 28\nheight = 16\nshows = \"route\"\n";
    RunOptions options;
    options.signSet = *readSignSet(set.string());
    const auto summary = run("code,route,line1,side.line1\nA,7,Hauptbahnhof,Hbf\nB,7,Zoo,\n"
                             "C,,Depot,\n",
                             options);
    ASSERT_TRUE(summary) << reason;
    EXPECT_EQ(observed.rows, (std::vector<std::string>{
                                 "A/front: new", "A/side: new", "A/rear: new", "B/front: new",
                                 "B/side: new", "B/rear: drawn by an earlier row", "C/front: new",
                                 "C/side: new", "C/rear: nothing to show"}));
    const Files made = files(out());
    for (const auto &[name, width] :
         std::map<std::string, std::uint32_t>{{"front/A", 128}, {"side/A", 112}, {"rear/7", 28}}) {
        const auto bitmap = Bitmap::decode(Graphic{
            std::span(reinterpret_cast<const std::uint8_t *>(made.at(name + ".qrvx").data()),
                      made.at(name + ".qrvx").size())});
        ASSERT_TRUE(bitmap) << name;
        EXPECT_EQ(std::pair(bitmap->width(), bitmap->height()), std::pair(width, 16u)) << name;
    }
    EXPECT_FALSE(made.contains("rear/B.qrvx"));
    EXPECT_TRUE(made.contains("rear/contact-sheet.png") && made.contains("side/contact-sheet.png"));

    // A face's folder that is a link would lead its signs out of the directory.
    fs::remove_all(out() / "side");
    fs::create_directory_symlink(out().parent_path(), out() / "side");
    EXPECT_EQ(run("code,line1\nA,Hafen\n", options).error(), Errc::outputFailed);
    EXPECT_NE(reason.find("side: creating the folder: Not a directory"), std::string::npos)
        << reason;

    const struct {
        std::string toml;
        std::string reason;
    } refusals[] = {
        {"[[face]]\nname = \"a/b\"\nwidth = 1\nheight = 1\n", ":2: a face's name is 1 to 32"},
        {"[[face]]\nname = \"a\"\nheight = 16\n", ":1: a face without a width"},
        {"[[face]]\nname = \"a\"\nwidth = 8\nheight = 8\nshows = \"both\"\n",
         ":5: shows is one of route|destination|route destination|destination route"},
        {"[[face]]\nname = \"a\"\nwidth = 8\nheight = 8\ncolour = 2\n", ":5: unknown key 'colour'"},
        {"[[face]]\nname = \"a\"\nwidth = 8\nheight = 8\n[[face]]\nname = \"A\"\nwidth = 8\n"
         "height = 8\n",
         ":5: face 'A' twice"},
        {"width = [", ":1: "},
    };
    for (const auto &refusal : refusals) {
        std::ofstream(set) << refusal.toml;
        std::string why;
        EXPECT_EQ(readSignSet(set.string(), &why).error(), Errc::invalidSignSet) << refusal.toml;
        EXPECT_NE(why.find(set.string() + refusal.reason), std::string::npos) << why;
    }
}

// A feed's destinations written as a list and read back make the very signs the feed makes.
TEST_F(Batch, AFeedAndTheListItWritesMakeTheSameSigns) {
    const fs::path feed = out().parent_path() / "feed";
    fs::create_directories(feed);
    std::ofstream(feed / "routes.txt") << "route_id,route_short_name,route_type\nr1,7,3\nr2,,3\n";
    std::ofstream(feed / "trips.txt") << "route_id,trip_id,trip_headsign\nr1,t1,Hauptbahnhof\n"
                                         "r1,t2,\"Zoo, Nord\"\nr2,t3,Depot\n";
    RunOptions options;
    options.directory = out().string();
    options.listName = "list.csv"; // the sheet's title

    std::string why;
    ASSERT_TRUE(batch::run(options, feedRows(feed.string(), {}, {}, {}), observed, &why)) << why;
    const Files fromFeed = files(out());
    EXPECT_NE(contents(out() / "index.html").find("the route has no short name"),
              std::string::npos);
    fs::remove_all(out());
    const auto destinations = readDestinations(feed.string());
    ASSERT_TRUE(destinations);
    ASSERT_TRUE(run(destinationList(*destinations))) << reason;
    Files fromList = files(out());
    // The pages differ in their rows' origin (a list's line numbers), the signs in nothing.
    fromList.erase("index.html");
    Files expected = fromFeed;
    expected.erase("index.html");
    EXPECT_TRUE(fromList == expected);
}

} // namespace
} // namespace qrvx::batch
