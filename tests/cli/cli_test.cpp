// The built qrvx tool, run through the shell as a user runs it, inside a directory of its own.
#include "support/graphic_builder.hpp"
#include "support/png_file.hpp"
#include "support/png_picture.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qrvx::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Files = std::vector<std::pair<std::string, std::string>>;

struct Row {
    std::string line; // the tool's arguments, split at spaces
    int status = 0;
    std::string err = {};              // in stderr, which is empty when this is
    std::vector<std::string> out = {}; // in stdout, compacted when it is JSON
    Files files = {};                  // shown() afterwards; "-" is stdout
};

std::string str(const ByteVector &bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A PNG as libpng reads it back ("WxH Title=..." and each row's colours); other files as they are.
std::string shown(const fs::path &file) {
    const std::string bytes = contents(file);
    const auto png = bytes.starts_with("\x89PNG") ? readPng(file.string()) : std::nullopt;
    if (!png) {
        return bytes;
    }
    std::string text = std::to_string(png->width) + "x" + std::to_string(png->height);
    for (const auto &[key, value] : png->texts) {
        text += " " + key + "=" + value;
    }
    for (const auto &row : png->rows) {
        text += " ";
        for (const std::uint8_t byte : row) {
            text += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
        }
    }
    return text;
}

std::string inQuotes(const std::string &arg) {
    return "'" + arg + "'"; // no test names a file or value with a quote
}

class Cli : public ::testing::Test {
protected:
    // Files of a test live in work/, the tool's working and temporary directory.
    fs::path work() const { return root_.path() / "work"; }
    void SetUp() override { fs::create_directory(work()); }

    void write(const std::string &name, const std::string &bytes) const {
        std::ofstream(work() / name, std::ios::binary) << bytes;
    }
    std::set<std::string> workFiles() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(work())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // The exit status, stdout and stderr. "< FILE" is standard input; "|" pipes into the tool
    // again, and the status is the last one's.
    std::tuple<int, std::string, std::string> run(const std::string &line,
                                                  const std::string &columns = "80") const {
        std::string command = "cd " + inQuotes(work()) + " && export COLUMNS=" + columns +
                              " TMPDIR=. && { " + inQuotes(QRVX_CLI);
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            if (word == "|") {
                command += " | " + inQuotes(QRVX_CLI);
            } else if (word == "<" && words >> word) {
                command += " <" + inQuotes(word);
            } else {
                command += " " + inQuotes(word);
            }
        }
        command +=
            "; } >" + inQuotes(root_.path() / "out") + " 2>" + inQuotes(root_.path() / "err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(root_.path() / "out"),
                contents(root_.path() / "err")};
    }

    void check(const std::vector<Row> &rows) const {
        for (const Row &row : rows) {
            SCOPED_TRACE(row.line);
            const auto [status, out, err] = run(row.line);
            EXPECT_EQ(status, row.status) << err;
            EXPECT_TRUE(row.err.empty() ? err.empty() : err.find(row.err) != err.npos) << err;
            // A failure is one line, a usage error with nothing else; libpng may speak first.
            const std::size_t lastLine = err.rfind('\n', err.size() - 2) + 1;
            EXPECT_TRUE(row.status == 0 || (err.find("qrvx: ") == lastLine && err.ends_with("\n")))
                << err;
            EXPECT_TRUE(row.status != 2 || (out.empty() && lastLine == 0)) << out << err;
            const bool json = row.line.find("--json") != row.line.npos && !out.empty();
            const std::string text = json ? Json::parse(out).dump() : out;
            for (const std::string &part : row.out) {
                EXPECT_NE(text.find(part), text.npos) << part << " not in\n" << text;
            }
            for (const auto &[name, expected] : row.files) {
                EXPECT_EQ(shown(name == "-" ? root_.path() / "out" : work() / name), expected)
                    << name;
            }
        }
    }

    TempDir root_{"qrvx_cli"};
};

// CS1, a scroll marker 0x00, 16 pixel bytes: 4 columns of 2 bytes in each plane.
const std::string reserved = str(makeGraphic({"VE16,CS1,RL2,FG3,PA255", 0, pixelsOf(16)}));
// Monochrome, 2 columns of 8 pixels: the top one of column 0, the bottom one of column 1.
const std::string mono = str(makeGraphic({"VE8", std::nullopt, {0x01, 0x80}}));
const ByteVector programPixels{0xA1, 0xA2, 0x13, 0x14, 0x15, 0x16};
const std::string programmed = str(makeGraphic({"VE8,@RP1/2/0,RL2", 1, programPixels}));
const std::string marked = str(makeGraphic({"VE8,@RP1/2/0", 1, programPixels}));
const std::string usage = " (see --help)\n";

TEST_F(Cli, InfoUsageAndHelp) {
    write("reserved", reserved);
    // Monochrome, 10 columns, a route number of 3 bytes at the end.
    write("routed", str(makeGraphic({"VE8,@RP2/3/1", std::nullopt, pixelsOf(10)})));
    write("z", str(makeGraphic({"CS1,ZJSON", std::nullopt, {1, 2}})));
    write("bad", str(makeGraphic({"VE12x", std::nullopt, {1}})));
    std::ofstream(work() / "big").close();
    fs::resize_file(work() / "big", std::uintmax_t{1} << 32); // sparse, and never read
    std::vector<Row> rows = {
        // clang-format off
        {"info reserved routed", 0, "",
         {"bytes            44\n",
          "parameter block  offset 0, length 26: \"VE16,CS1,RL2,FG3,PA255\"\n",
          "scroll marker    offset 26, length 2\n", "pixel data       offset 28, length 16\n",
          "colour system    1 (two one-bit planes)\n", "column size      16\n",
          "palette          #FF0000 #000000 #000000 #000000\n", "keys             FG3 PA255 RL2\n",
          "dimensions       4 x 16\n", "scroll mode      2 (marker byte 0x00)\n",
          "programmable     yes\n", "route area       2 lines reserved at start\n",
          "display          FG/BG 3/0\n", "route area       3 x 8 at end, code 2\n",
          "route plane 0    offset 23, length 3, 3 x 8, 1 bit a pixel\n", "programmable     no\n"}},
        {"info --json reserved routed missing", 1,
         "qrvx: missing: opening: No such file or directory\n",
         {R"("sections":{"headerLength":28,"parameterBlock")",
          R"("parameterBlock":{"length":26,"offset":0,"text":"VE16,CS1,RL2,FG3,PA255"})",
          R"("pixelData":{"length":16,"offset":28},"scrollMarker":{"length":2,"offset":26})",
          R"("colourSystem":1)", R"("keys":{"FG":3,"PA":255,"RL":2})",
          R"("palette":["#FF0000","#000000")", R"("dimensions":{"height":16,"width":4})",
          R"("programmable":true,"routeNumber")", R"("fgBg":{"first":3,"given":true,"second":0})",
          R"("reservedLines":2)", R"("scrollMode":2)", R"("keys":{"@RP":[2,3,1]})",
          R"("routeAtEnd":true,"routeCode":2)",
          R"("planes":[{"bitsPerPixel":1,"byteCount":3,"height":8,"offset":23,"width":3}])",
          R"({"error":"opening: No such file or directory","file":"missing"}])"}},
        {"info --brief reserved routed z", 1, "qrvx: z: parsing parameters: Invalid argument\n",
         {"FILE      BYTES  CS  RASTER    SIZE  SCROLL  PROGRAMMABLE  ROUTE AREA\n"
          "reserved     44  1   vertical  4x16  2       yes           2 lines reserved at start\n"
          "routed       26  0   vertical  10x8  -       no            3 x 8 at end, code 2\n"
          "z            15  ?   ?"}},
        {"info --brief bad", 0, "Incorrect Column Size 12x"}, // errors show without -v
        {"info big", 1, "big: larger than 4 GiB - 1 bytes, the most a graphic can have: "},
        {"info", 2, usage},
        {"info --frobnicate bad", 2, usage},
        {"info --json --brief bad", 2, usage},
        {"", 2, "qrvx: a command is required: info, png, extract, program, mark, show, encode, "
         "text, fonts, batch or destinations (see --help)\n"},
        {"bogus", 2, usage},
        // clang-format on
    };
    for (const std::string command :
         {"info", "png", "extract", "program", "mark", "encode", "show", "text", "fonts"}) {
        rows.push_back({command + " --help", 0, "", {"Usage: qrvx " + command + " [OPTIONS]"}});
    }
    check(rows);
    EXPECT_EQ(workFiles(), (std::set<std::string>{"reserved", "routed", "z", "bad", "big"}));
}

TEST_F(Cli, Png) {
    write("m.bin", mono);
    write("z", str(makeGraphic({"ZJSON", std::nullopt, {1}})));
    write("e", str(makeGraphic({"VE8", std::nullopt, {}})));
    write("k", "keep");
    write("wide", str(makeGraphic({"VE8", std::nullopt, ByteVector(1000001, 0x55)})));
    // Palette entries 3, 1 and 0 in its one column.
    const std::string colour =
        str(makeGraphic({"VE8,CS1,PA255,PB65280,PD16777215", std::nullopt, {0x01, 0x03}}));
    write("g.png", colour); // not overwritten by its own picture
    const std::string sign = "2x8 Title=7 FF8000000080 000080000080 000080000080 000080000080 "
                             "000080000080 000080000080 000080000080 000080FF8000";
    const std::string plain = "2x8 Title=m.bin FFFFFF000000 000000000000 000000000000 "
                              "000000000000 000000000000 000000000000 000000000000 000000FFFFFF";
    const std::string odd =
        "1x8 Title=g.png FFFFFF 00FF00 FF0000 FF0000 FF0000 FF0000 FF0000 FF0000";
    const std::string debug = "[qrvx debug] convertCS0Image:550: converting CS0 Image";
    const std::string wide = "wide: writing PNG: 1000001 x 8 pixels; PNG export stops at libpng's "
                             "limit of 1000000 pixels a side\n";
    std::vector<Row> rows = {
        {"png m.bin -o o.png --fg #FF8000 --bg 000080 --title 7", 0, "", {}, {{"o.png", sign}}},
        {"png m.bin", 0, "", {}, {{"m.png", plain}}},
        {"png g.png --fg #123456", 0, "", {}, {{"g.png", colour}, {"g.png.png", odd}}},
        {"-v png m.bin -o v.png", 0, debug},
        {"png -v m.bin -o v.png", 0, debug},
        {"png z -o k", 1, "z: decoding: Invalid argument\n", {}, {{"k", "keep"}}},
        {"png e -o k", 1, "e: no pixels to draw: No data available\n", {}, {{"k", "keep"}}},
        {"png wide -o k", 1, wide, {}, {{"k", "keep"}}},
        {"png m.bin -o no/o.png", 1, "no/o.png: creating: No such file or directory"},
    };
    for (const char *bad : {"red", "#12345", "#1234567", "#GGGGGG", "+12345", "##123456"}) {
        rows.push_back({std::string("png z --fg ") + bad, 2, usage});
    }
    check(rows);
    const std::string traced = std::get<2>(run("-v png m.bin -o v.png"));
    EXPECT_EQ(traced.find(debug), traced.rfind(debug)) << traced; // decoded once
    EXPECT_EQ(workFiles(), (std::set<std::string>{"m.bin", "z", "e", "k", "wide", "g.png", "o.png",
                                                  "m.png", "g.png.png", "v.png"}));
}

TEST_F(Cli, Extract) {
    write("cs1", str(makeGraphic({"VE8,CS1,RL1", std::nullopt, {1, 2, 3, 4, 5, 6, 7, 8}})));
    write("cs0", str(makeGraphic({"VE8", std::nullopt, {0, 0, 0x3C, 0x42, 0, 0}})));
    write("rows", str(makeGraphic({"HE8", std::nullopt, {1, 2}})));
    check({
        // clang-format off
        {"extract cs1 --exclude-route -o two", 0, "",
         {"columns      3\n", "column size  8\n", "planes       2\n",
          "length       3 bytes a plane\n", "offset       16\n", "written      two, 6 bytes\n"},
         {{"two", "\2\3\4\6\7\10"}}},
        {"extract cs0 --trim-leading --trim-trailing -o one", 0, "",
         {"columns      2\n", "planes       1\n", "length       2 bytes\n"}, {{"one", "\x3C\x42"}}},
        {"extract rows -o none", 1, "rows: extracting the image of a horizontal raster: "},
        {"extract rows", 2, usage},
        // clang-format on
    });
    EXPECT_EQ(workFiles(), (std::set<std::string>{"cs1", "cs0", "rows", "two", "one"}));
}

TEST_F(Cli, ProgramAndMark) {
    const std::string plain = str(makeGraphic({"VE8,CS1", 0, pixelsOf(6)}));
    write("target", str(makeGraphic({"VE8,RL2", 1, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16}})));
    write("source", str(makeGraphic({"VE8,@RP1/2/0,RL2", std::nullopt, {0xA1, 0xA2, 0xA3}})));
    write("plain", plain);
    fs::create_symlink("programmed", work() / "link");
    check({
        {"program target source -o programmed", 0, "", {}, {{"programmed", programmed}}},
        {"program programmed source -o again", 1, "programmed: already holds a route number"},
        {"program target target -o again", 1, "target: holds no route number (no @RP"},
        {"program target source", 2, usage},
    });
    fs::permissions(work() / "programmed", fs::perms(0640));
    check({
        {"mark programmed -o m", 0, "", {}, {{"m", marked}, {"programmed", programmed}}},
        // In place through the link: the link stays, its file changes and keeps its mode.
        {"mark link", 0, "", {}, {{"programmed", marked}}},
        {"mark plain", 1, "plain: no RL or RR key to delete: ", {}, {{"plain", plain}}},
        {"mark", 2, usage},
    });
    EXPECT_TRUE(fs::is_symlink(work() / "link"));
    EXPECT_EQ(fs::status(work() / "programmed").permissions(), fs::perms(0640));
    EXPECT_EQ(workFiles(),
              (std::set<std::string>{"target", "source", "plain", "link", "programmed", "m"}));
}

// "-" reads standard input, whole, from a file or a pipe, and "-o -" writes standard output.
// Links are followed to the file they name; devices and pipes are written, never replaced.
TEST_F(Cli, StandardStreamsAndOutputs) {
    write("mono", mono);
    write("programmed", programmed);
    write("target", str(makeGraphic({"VE8,RL2", 1, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16}})));
    write("source", str(makeGraphic({"VE8,@RP1/2/0,RL2", std::nullopt, {0xA1, 0xA2, 0xA3}})));
    write("file", "old");
    ASSERT_EQ(std::get<0>(run("png mono -o mono.png")), 0);
    const std::string png = shown(work() / "mono.png");
    const std::string encoded = str(makeGraphic({"VE8,CS0", std::nullopt, {0x01, 0x80}}));
    fs::create_symlink("file", work() / "link");
    fs::create_symlink("made", work() / "dangling");
    fs::create_symlink("/dev/full", work() / "full");
    ASSERT_EQ(mkfifo((work() / "fifo").c_str(), 0600), 0);
    // Open first, so that the tool never waits for a reader; the pipe holds a small PNG.
    const int reader = open((work() / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
    const std::string full = "full: writing: No space left on device\n";
    check({
        // clang-format off
        {"png mono -o -", 0, "", {}, {{"-", png}}},
        {"extract mono -o -", 0, "standard output, 2 bytes", {}, {{"-", "\1\x80"}}},
        {"mark programmed -o -", 0, "", {}, {{"-", marked}}},
        {"program programmed programmed -o -", 1, "already holds a route number"},
        {"info - < mono", 0, "", {"file             standard input\n", "dimensions       2 x 8\n"}},
        {"mark - -o - < programmed | info --brief mono -", 0, "",
         {"\nstandard input     24  0   vertical  6x8   1       no            2 x 8 at start"}},
        {"png - --title mono -o - < mono", 0, "", {}, {{"-", png}}},
        {"extract - -o one < mono", 0, "", {}, {{"one", "\1\x80"}}},
        {"program - source -o - < target", 0, "", {}, {{"-", programmed}}},
        {"program target - -o - < source", 0, "", {}, {{"-", programmed}}},
        {"mark - -o - < programmed", 0, "", {}, {{"-", marked}}},
        {"show --plain - < mono", 0, "", {"standard input  2 x 8, colour system 0\n"}},
        {"encode - -o - < mono.png", 0, "", {}, {{"-", encoded}}},
        {"mark - -o - < mono", 1, "qrvx: standard input: no RL or RR key to delete: "},
        {"encode - -o e < mono", 1, "qrvx: standard input: not a PNG file: "},
        {"png - < mono", 2, "FILE - (standard input) needs -o"},
        {"mark - < programmed", 2, "FILE - (standard input) needs -o"},
        {"program - - -o - < programmed", 2, "TARGET and SOURCE cannot both be -"},
        {"info - mono - < mono", 2, "- (standard input) can be read only once"},
        {"show - - < mono", 2, "- (standard input) can be read only once"},
        // clang-format on
        {"png mono -o link", 0, "", {}, {{"file", png}}},
        {"png mono -o dangling", 0, "", {}, {{"made", png}}},
        {"png mono -o fifo"},
        {"png mono -o full", 1, full},
        {"mark programmed -o full", 1, full},
    });
    std::array<char, 4096> piped{};
    const ssize_t count = read(reader, piped.data(), piped.size());
    close(reader);
    EXPECT_EQ(std::string(piped.data(), static_cast<std::size_t>(std::max<ssize_t>(count, 0))),
              contents(work() / "mono.png"));
    EXPECT_TRUE(fs::is_fifo(work() / "fifo"));
    EXPECT_EQ(fs::read_symlink(work() / "link"), "file");
    EXPECT_EQ(fs::read_symlink(work() / "full"), "/dev/full");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(workFiles(),
              (std::set<std::string>{"mono", "programmed", "target", "source", "file", "mono.png",
                                     "one", "link", "dangling", "made", "full", "fifo"}));
}

// The image drawn back, its transparent pixel as the background; refusals write nothing.
TEST_F(Cli, Encode) {
    const auto png = [](std::uint32_t height, int colourType, int bitDepth, ByteVector rows) {
        return str(
            pngBytes(PngPicture{2, height, colourType, bitDepth, std::move(rows), {}, {}, {}}));
    };
    write("in.png", png(2, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                        {255, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 0, 0, 0, 255, 255}));
    const std::string two = png(1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    write("two.png", two);
    write("cut.png", two.substr(0, two.size() - 20));
    write("text.png", "not png!!");
    // The first column packs to "U" 0x00.
    write("marker.png", png(8, PNG_COLOR_TYPE_GRAY, 1, {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0}));
    const std::string cs2 = "encode -o out two.png --colour-system 2 --palette #000000,#010203";
    check({
        {"encode in.png --colour-system 1 --bg #00FF00 -o g"},
        {"png g -o g.png", 0, "", {}, {{"g.png", "2x2 Title=g FF0000000000 00FF000000FF"}}},
        {"encode in.png --colour-system 1 --bg #00FF00 -o G.Png",
         0,
         "",
         {},
         {{"G.Png", "2x2 Title=in.png FF0000000000 00FF000000FF"}}},
        {"encode in.png --colour-system 1 --bg #00FF00 --show",
         0,
         "",
         {"in.png  2 x 2, colour system 1, 4 colours\n"}},
        {"encode -o out text.png", 1, "text.png: not a PNG file: no PNG signature"},
        {"encode -o out cut.png", 1, "cut.png: truncated or corrupt PNG: libpng: "},
        {cs2, 2, "not four colours"},
        {cs2 + ",#GG0000,#FFFFFF", 2, "not a colour #RRGGBB: #GG0000"},
        {cs2 + ",#FF0000,#FFFFFF", 1,
         "two.png: a colour outside the palette: pixel (1, 0) #040506"},
        {"encode -o out two.png --keys RL2,XX", 1, "a key the library does not read: 'XX'"},
        {"encode -o out two.png --keys CS1", 1, "a key that encoding writes itself: 'CS1'"},
        {"encode -o out two.png --palette #000000,#010203,#FF0000,#FFFFFF", 2, "--colour-system 1"},
        {"encode -o out marker.png", 1, "reads as a scroll marker (add one with --scroll 0 or 1)"},
    });
    EXPECT_EQ(workFiles(), (std::set<std::string>{"in.png", "two.png", "cut.png", "text.png",
                                                  "marker.png", "g", "g.png", "G.Png"}));
}

// Signs from text read back through the library; a refused sign writes nothing.
TEST_F(Cli, TextAndFonts) {
    write("ab.csv", "long,short\nHauptbahnhof,Hbf\n-platz,Pl.\n");
    write("de.csv", "long,short\n-straße,-str.\n");
    write("l.csv", "code,line1,route\nA,Zoo,7\nB,Depot,\n");
    check({
        // clang-format off
        // A repeatable option takes one value, not the lines after it.
        {"text --json --colour 3 CENTRAL --width 70 --reserve end:8 --colour-system 2 -o c", 0, "",
         {R"("font":"sign-14")", R"("reserve":{"columns":8,"side":"end"})", R"("width":70})"}},
        {"info c", 0, "", {"dimensions       70 x 16\n", "route area       8 lines reserved at end\n"}},
        {"png c --title CENTRAL -o c.png"},
        {"text --colour 3 CENTRAL --width 70 --reserve end:8 --colour-system 2 -o made.PNG"},
        {"text A -o a"}, {"png a --title A -o a.png"}, {"text A -o made.png"},
        {"text --json CENTRALSTATION --width 64 -o j", 0, "",
         {R"("blankRowsBelow":null,"font":"sign-6-narrow","letterGap":1,"spaceWidth":2,"spacing":1,)"
          R"("steps":["next-font","condensed-face"],"text":"CENTRALSTATION","width":59,)"}},
        {"text Ω -o m.png", 1, "qrvx: m.png: a character the font cannot draw: line 1: U+03A9 \"Ω\" is not "
         "in sign-14, sign-14-narrow, sign-6, sign-6-narrow\n"},
        {"text Ω --show", 1, "qrvx: Ω: a character the font cannot draw: "},
        {"text CENTRALSTATION --width 30 -o m", 1, "m: the text does not fit the sign: line 1 "},
        {"text CENTRALSTATION --width 30 --overflow clip -o k", 0,
         "qrvx: warning: line 1 (\"CENTRALSTATION\") cut at 28 of its "},
        {"text HARBOUR Sq --font sign-7 -o m", 1, "the sign: the lines (\"HARBOUR\" / \"Sq\") do not "
         "fit: the closest, \"HARBOUR\" / \"Sq\" in sign-7, needs 18 rows, has 16\n"},
        {"text HARBOUR Sq --font sign-7 --overflow clip -o q", 0,
         "qrvx: warning: line 2 (\"Sq\") cut: its ink needs 2 rows below the sign\n"},
        {"text --json Hansmannstraße --width 50 --abbreviations de.csv -o a", 0, "",
         {R"("abbreviations":[["-straße","-str."]])", R"("text":"Hansmannstr.")"}},
        {"text A --abbreviations ab.csv -o m", 1, "qrvx: ab.csv:3: a word ending (\"-\" first) "
         "on one side only"},
        {"text --json Hauptbahnhof --short Hbf --width 20 -o h", 0, "",
         {R"("short-wording"])", R"("text":"Hbf")"}},
        {"text A B C D -o m", 2, usage},
        {"text A", 2, "qrvx: -o or --show is required" + usage},
        {"text A --show -o -", 2, "--show and -o - both write to standard output" + usage},
        {"text A --show --json", 2, "--json and --show both write to standard output" + usage},
        {"text A -o m --colour 2", 2, "--colour and --route-colour above 1 need --colour-system"},
        {"text A -o m --align middle", 2, "--align: not one of left|centre|right: middle" + usage},
        // The route's style as every row's default, for the rows with a route.
        {"batch l.csv -o b --route-font sign-7 --jobs 1", 0, "", {"b/index.html: signs made 2 "}},
        {"fonts", 0, "", {"NAME             HEIGHT  CAP  CHARACTERS  DESCRIPTION\n"
                          "sign-18              24   18         327  "}},
        {"fonts -o f.png"},
        {"fonts --sample Ab", 2, "--sample needs -o" + usage},
        // clang-format on
    });
    EXPECT_NE(shown(work() / "c.png").find("0060D0"), std::string::npos); // colour 3 drawn
    // A sign written as .png is drawn as qrvx png draws its graphic, titled by its text.
    EXPECT_TRUE(shown(work() / "made.PNG").starts_with("70x16 Title=CENTRAL "));
    EXPECT_EQ(shown(work() / "made.PNG"), shown(work() / "c.png"));
    EXPECT_EQ(shown(work() / "made.png"), shown(work() / "a.png"));
    EXPECT_NE(shown(work() / "f.png").find(" Title=qrvx fonts "), std::string::npos);
    EXPECT_EQ(workFiles(),
              (std::set<std::string>{"c", "c.png", "made.PNG", "a", "a.png", "made.png", "j", "k",
                                     "q", "f.png", "h", "ab.csv", "de.csv", "l.csv", "b"}));
}

// Exact drawings; COLUMNS counts only without --width.
TEST_F(Cli, Show) {
    // 8 x 3:  ##....##  ..####..  #......#
    write("mono", str(makeGraphic({"HE8", std::nullopt, {0xC3, 0x3C, 0x81}})));
    // 8 x 1, values 2 2 1 0 0 0 0 0; palette red, green, blue, white.
    write("paletted",
          str(makeGraphic(
              {"HE8,CS2,PA255,PB65280,PC16711680,PD16777215", std::nullopt, {0xA4, 0x00}})));
    // 2 x 3:  ##  .#  #.
    write("small", str(makeGraphic({"VE3", std::nullopt, {0x05, 0x03}})));
    const std::string fg = "\x1b[38;2;255;128;0m", bg = "\x1b[48;2;0;0;128m";
    const std::string fgAsBg = "\x1b[48;2;255;128;0m", bgAsFg = "\x1b[38;2;0;0;128m";
    const std::string small = "small  2 x 3, colour system 0\n▀█\n▀ \n";
    const std::string missing = "qrvx: missing: opening: No such file or directory\n";
    const std::string monoTitle = "mono  8 x 3, colour system 0\n";
    const struct {
        const char *columns;
        std::string line;
        int status;
        std::string out, err;
    } cases[] = {
        // clang-format off
        {"80", "show --plain mono", 0, monoTitle + "▀▀▄▄▄▄▀▀\n▀      ▀\n", ""},
        {"80", "show --plain paletted", 0, "paletted  8 x 1, colour system 2, 3 colours\n"
         "\" \" 0 #FF0000  \"░\" 1 #00FF00  \"▒\" 2 #0000FF  \"▓\" 3 #FFFFFF\n▒▒░     \n", ""},
        // Escapes only where a colour changes; the odd last row pairs with the background.
        {"80", "show --colour --fg #FF8000 --bg 000080 small", 0,
         "small  2 x 3, colour system 0\n" + fg + bg + "▀" + fgAsBg + "▀\x1b[0m\n" +
         fg + bg + "▀" + bgAsFg + "▀\x1b[0m\n", ""},
        {"80", "show --plain --width 3 mono", 0,
         monoTitle + "columns 0-2\n▀▀▄\n▀  \ncolumns 3-5\n▄▄▄\n   \ncolumns 6-7\n▀▀\n ▀\n", ""},
        {"5", "show --plain mono", 0,
         monoTitle + "columns 0-4\n▀▀▄▄▄\n▀    \ncolumns 5-7\n▄▀▀\n  ▀\n", ""},
        {"80", "show --plain missing small missing small", 1, small + "\n" + small,
         missing + missing},
        {"80", "show --plain --colour small", 2, "", "qrvx: --plain excludes --colour" + usage},
        // clang-format on
    };
    for (const auto &c : cases) {
        const auto [status, out, err] = run(c.line, c.columns);
        EXPECT_EQ(status, c.status) << c.line;
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(err, c.err);
    }

    // A made sign drawn by --show, and read back through a pipe, as show draws the file written.
    ASSERT_EQ(std::get<0>(run("text A --width 12 -o a")), 0);
    const std::string drawn = std::get<1>(run("show a"));
    EXPECT_TRUE(drawn.starts_with("a  12 x 16, colour system 0\n")) << drawn;
    EXPECT_EQ(std::ranges::count(drawn, '\n'), 1 + 16 / 2); // two rows a line
    EXPECT_NE(drawn.find("█"), std::string::npos);
    const std::string rows = drawn.substr(drawn.find('\n'));
    for (const auto &[line, headline] : {std::pair{"text A --width 12 --show -o b", "A"},
                                         {"text A --width 12 --show", "A"},
                                         {"text A --width 12 -o - | show -", "standard input"}}) {
        SCOPED_TRACE(line);
        const auto [status, out, err] = run(line);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out, headline + std::string("  12 x 16, colour system 0") + rows);
        EXPECT_EQ(err, "");
    }
    EXPECT_EQ(contents(work() / "b"), contents(work() / "a"));
}

// A timetable into a list and into signs, a re-run that finds nothing changed, a list edited
// since, and a vehicle's faces; codes come from route and headsign, so they are pinned here.
TEST_F(Cli, BatchAndDestinations) {
    fs::create_directory(work() / "feed");
    write("feed/routes.txt", "route_id,route_short_name\nr7,7\n");
    write("feed/trips.txt", "\xEF\xBB\xBFroute_id,trip_id,trip_headsign\r\nr7,a,Zoo\r\n"
                            "r7,b,\r\nr9,c,Ghost\r\n");
    write("feed/stops.txt", "stop_id,stop_name\ns1,Markt\ns2,Depot\n");
    write("feed/stop_times.txt", "trip_id,stop_id,stop_sequence,stop_headsign\n"
                                 "a,s1,1,Zoo via Markt\na,s2,2,\nb,s1,1,\nb,s2,2,\n");
    write("fleet.toml", "[[face]]\nname = \"front\"\nwidth = 96\nheight = 16\n"
                        "[[face]]\nname = \"rear\"\nwidth = 28\nheight = 16\nshows = \"route\"\n");
    write("twice.toml", "[[face]]\nname = \"a\"\nwidth = 8\nheight = 8\n"
                        "palette = [\"#000000\", \"#FF0000\", \"#FF0000\", \"#FFFFFF\"]\n");
    const std::string list = "code,route,line1,source\n"
                             "7_Depot_mxx36th5,7,Depot,\"route_id r7, trips 1, last stop\"\n"
                             "7_Zoo_yg87t48e,7,Zoo,\"route_id r7, trips 1, trip_headsign\"\n"
                             "7_Zoo-via-Markt_sye99cm8,7,Zoo via Markt,"
                             "\"route_id r7, trips 1, stop_headsign\"\n";
    const std::string skipped = "1 trip skipped: their route is not in routes.txt (r9)";
    check({
        // clang-format off
        {"destinations feed -o list.csv", 0, "", {"list.csv: 3 destinations of 2 trips on 1 route; "
         "1 trip named by their last stop; " + skipped + "\n"}, {{"list.csv", list}}},
        {"destinations feed -o - --route 8", 1, "qrvx: feed: no route of routes.txt has route_short_name '8'\n"},
        {"destinations nothing -o x.csv", 1, "qrvx: nothing: opening: No such file or directory\n"},
        {"batch feed -o signs", 0, "qrvx: warning: feed: " + skipped + "\n",
         {"signs/index.html: signs made 3 (marked for a look 0), refused 0; new 3, changed 0, "
          "unchanged 0, removed 0\n"}},
        {"batch feed// -o slash", 0, skipped, {"slash/index.html: signs made 3 "}},
        {"batch list.csv -o signs --json", 0, "",
         {R"("new":0,"page":"signs/index.html","refusals":[],"refused":0,"removed":0,"rows":3,)"
          R"("signs":3,"unchanged":3})"}},
        {"batch list.csv -o faces --sign-set fleet.toml --json", 0, "",
         {R"("signs":4,)", R"({"change":"new","code":"7_Depot_mxx36th5","face":"rear"},)"
          R"({"change":"new","code":"7_Zoo_yg87t48e","face":"front"},)"}},
        {"batch list.csv -o signs --route 7", 2, "--route and --route-type choose from a timetable, "
         "and list.csv is a destination list" + usage},
        {"batch list.csv -o x --sign-set twice.toml", 1, "qrvx: twice.toml:5: palette repeats a colour"},
        {"batch feed,zip -o x", 1, "qrvx: feed,zip: opening: No such file or directory\n"},
        // A timetable in any case, so --route is its filter.
        {"batch feed.Zip -o x --route 7", 1, "qrvx: feed.Zip: opening: No such file or directory\n"},
        // clang-format on
    });
    EXPECT_TRUE(fs::exists(work() / "faces/rear/7.qrvx") && fs::exists(work() / "faces/front"));
    EXPECT_NE(contents(work() / "slash/index.html").find("<title>feed: signs for review<"),
              std::string::npos);
    write("list.csv", "code,line1\n7_Zoo_yg87t48e,Zoo\nnew,Ω\n");
    const auto [status, out, err] = run("batch list.csv -o signs");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "list.csv:3: new: line 1: U+03A9 \"Ω\" is not in sign-14, sign-14-narrow, "
                   "sign-6, sign-6-narrow\n");
    EXPECT_EQ(out, "signs/index.html: signs made 1 (marked for a look 0), refused 1; new 0, "
                   "changed 1, unchanged 0, removed 2\n");
}

} // namespace
} // namespace qrvx::test
