// The built qrvx tool, run through the shell as a user runs it.
#include "support/graphic_builder.hpp"
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace qrvx::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Args = std::vector<std::string>;
using Rgb = std::array<std::uint8_t, 3>;

struct Outcome {
    int status;
    std::string out, err;
};

std::string quoted(const std::string &arg) {
    std::string out = "'";
    for (const char c : arg) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

ByteVector contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), {});
}

// A table of "label  value" rows, for each blank-line separated block of the output.
std::vector<std::map<std::string, std::string>> tables(const std::string &text) {
    std::vector<std::map<std::string, std::string>> blocks(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t gap = line.find("  ");
        if (line.empty()) {
            blocks.emplace_back();
        } else if (gap != std::string::npos) {
            blocks.back()[line.substr(0, gap)] = line.substr(line.find_first_not_of(' ', gap));
        }
    }
    return blocks;
}

Rgb pixel(const PngFile &png, std::size_t x, std::size_t y) {
    const auto &row = png.rows.at(y);
    return {row.at(3 * x), row.at(3 * x + 1), row.at(3 * x + 2)};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(root_.path() / "work"); }

    // Files of the test live in work/, which holds nothing else.
    std::string path(const std::string &name) const {
        return (root_.path() / "work" / name).string();
    }
    std::string write(const std::string &name, const ByteVector &bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }
    std::set<std::string> workFiles() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(root_.path() / "work")) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    Outcome run(const Args &args) const {
        std::string command = quoted(QRVX_CLI);
        for (const std::string &arg : args) {
            command += " " + quoted(arg);
        }
        const fs::path err = root_.path() / "stderr";
        command += " 2>" + quoted(err.string());
        std::FILE *pipe = popen(command.c_str(), "r");
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        const int status = pclose(pipe);
        const ByteVector errBytes = contents(err);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out,
                std::string(errBytes.begin(), errBytes.end())};
    }

    TempDir root_{"qrvx_cli"};
};

// CS1, a scroll marker 0x00, 16 pixel bytes: 4 columns of 2 bytes in each plane.
const ByteVector reserved = makeGraphic({"VE16,CS1,RL2,FG3,PA255", 0, pixelsOf(16)});
// Monochrome, 10 columns, a route number of 3 bytes at the end.
const ByteVector routed = makeGraphic({"VE8,@RP2/3/1", std::nullopt, pixelsOf(10)});

TEST_F(Cli, InfoTableShowsSectionsParametersAndRouteArea) {
    const Outcome r = run({"info", write("reserved", reserved), write("routed", routed)});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto blocks = tables(r.out);
    ASSERT_EQ(blocks.size(), 2u);
    const auto &first = blocks[0];
    const auto &second = blocks[1];
    EXPECT_EQ(first.at("bytes"), "44");
    EXPECT_EQ(first.at("parameter block"), "offset 0, length 26: \"VE16,CS1,RL2,FG3,PA255\"");
    EXPECT_EQ(first.at("scroll marker"), "offset 26, length 2");
    EXPECT_EQ(first.at("pixel data"), "offset 28, length 16");
    EXPECT_EQ(first.at("colour system"), "1 (two one-bit planes)");
    EXPECT_EQ(first.at("column size"), "16");
    EXPECT_EQ(first.at("palette"), "#FF0000 #000000 #000000 #000000");
    EXPECT_EQ(first.at("keys"), "FG3 PA255 RL2");
    EXPECT_EQ(first.at("dimensions"), "4 x 16");
    EXPECT_EQ(first.at("scroll mode"), "2 (marker byte 0x00)");
    EXPECT_EQ(first.at("programmable"), "yes");
    EXPECT_EQ(first.at("route area"), "2 lines reserved at start");
    EXPECT_EQ(first.at("display"), "FG/BG 3/0");
    EXPECT_EQ(second.at("route area"), "3 x 8 at end, code 2");
    EXPECT_EQ(second.at("route plane 0"), "offset 23, length 3, 3 x 8, 1 bit a pixel");
    EXPECT_EQ(second.at("programmable"), "no");
    // Values line up in one column.
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        EXPECT_EQ(line.find_first_not_of(' ', line.find("  ")), 17u) << line;
    }
}

TEST_F(Cli, InfoJsonHasOneObjectPerFile) {
    const Outcome r = run(
        {"info", "--json", write("reserved", reserved), write("routed", routed), path("missing")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + path("missing") + ": opening: No such file or directory\n");
    const Json all = Json::parse(r.out);
    ASSERT_EQ(all.size(), 3u);
    const Json &first = all[0], &second = all[1];
    EXPECT_EQ(first["sections"]["parameterBlock"]["text"], "VE16,CS1,RL2,FG3,PA255");
    EXPECT_EQ(first["sections"]["scrollMarker"]["offset"], 26);
    EXPECT_EQ(first["sections"]["pixelData"], Json({{"offset", 28}, {"length", 16}}));
    EXPECT_EQ(first["sections"]["headerLength"], 28);
    EXPECT_EQ(first["parameters"]["colourSystem"], 1);
    EXPECT_EQ(first["parameters"]["keys"], Json({{"FG", 3}, {"PA", 255}, {"RL", 2}}));
    EXPECT_EQ(first["parameters"]["palette"][0], "#FF0000");
    EXPECT_EQ(first["dimensions"], Json({{"width", 4}, {"height", 16}}));
    EXPECT_EQ(first["scrollMode"], 2);
    EXPECT_EQ(first["programmable"], true);
    EXPECT_EQ(first["routeNumber"]["reservedLines"], 2);
    EXPECT_EQ(first["routeNumber"]["fgBg"], Json({{"given", true}, {"first", 3}, {"second", 0}}));
    EXPECT_FALSE(first.contains("error"));
    EXPECT_EQ(second["parameters"]["keys"]["@RP"], Json({2, 3, 1}));
    EXPECT_EQ(second["routeNumber"]["routeAtEnd"], true);
    EXPECT_EQ(second["routeNumber"]["routeCode"], 2);
    EXPECT_EQ(
        second["routeNumber"]["planes"],
        Json::parse(R"([{"offset":23,"byteCount":3,"bitsPerPixel":1,"width":3,"height":8}])"));
    EXPECT_EQ(all[2],
              Json({{"file", path("missing")}, {"error", "opening: No such file or directory"}}));
}

TEST_F(Cli, InfoBriefRowsLineUpAndUnreadableParametersFail) {
    const std::string z = write("z", makeGraphic({"CS1,ZJSON", std::nullopt, {1, 2}}));
    const Outcome r =
        run({"info", "--brief", write("reserved", reserved), write("routed", routed), z});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + z + ": parsing parameters: Invalid argument\n");
    std::istringstream in(r.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 4u);
    const std::size_t routeColumn = lines[0].find("ROUTE AREA");
    EXPECT_EQ(lines[1].substr(path("reserved").size()),
              "     44  1   vertical  4x16  2       yes           2 lines reserved at start");
    EXPECT_EQ(lines[2].substr(routeColumn), "3 x 8 at end, code 2");
    EXPECT_EQ(lines[3].substr(lines[0].find("CS"), 2), "? ");
}

TEST_F(Cli, PngDrawsWithChosenOrDefaultColoursAndTitle) {
    // One column of 8 pixels each: the top pixel of column 0, the bottom one of column 1.
    const std::string mono = write("mono.bin", makeGraphic({"VE8", std::nullopt, {0x01, 0x80}}));
    const Rgb orange{0xFF, 0x80, 0x00}, navy{0x00, 0x00, 0x80}, white{255, 255, 255}, black{};
    Outcome r = run({"png", mono, "-o", path("out.png"), "--fg", "#FF8000", "--bg", "000080",
                     "--title", "Sign 7"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    auto png = readPng(path("out.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 2u);
    EXPECT_EQ(png->height, 8u);
    EXPECT_EQ(png->texts, (decltype(png->texts){{"Title", "Sign 7"}}));
    EXPECT_EQ(pixel(*png, 0, 0), orange);
    EXPECT_EQ(pixel(*png, 1, 0), navy);
    EXPECT_EQ(pixel(*png, 1, 7), orange);

    ASSERT_EQ(run({"png", mono}).status, 0);
    png = readPng(path("mono.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->texts, (decltype(png->texts){{"Title", "mono.bin"}}));
    EXPECT_EQ(pixel(*png, 0, 0), white);
    EXPECT_EQ(pixel(*png, 1, 0), black);

    // A graphic named .png is not overwritten by its own picture.
    const ByteVector colour =
        makeGraphic({"VE8,CS1,PA255,PB65280,PD16777215", std::nullopt, {0x01, 0x03}});
    ASSERT_EQ(run({"png", write("odd.png", colour), "--fg", "#123456"}).status, 0);
    EXPECT_EQ(contents(path("odd.png")), colour);
    png = readPng(path("odd.png.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(pixel(*png, 0, 0), white);                   // 3: PD, whatever --fg says
    EXPECT_EQ(pixel(*png, 0, 1), (Rgb{0x00, 0xFF, 0x00})); // 1: PB
    EXPECT_EQ(pixel(*png, 0, 2), (Rgb{0xFF, 0x00, 0x00})); // 0: PA
}

TEST_F(Cli, PngFailuresKeepAnExistingOutput) {
    const std::string z = write("z", makeGraphic({"ZJSON", std::nullopt, {1}}));
    const std::string empty = write("empty", makeGraphic({"VE8", std::nullopt, {}}));
    const std::string out = write("out.png", bytesOf("keep"));
    Outcome r = run({"png", z, "-o", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + z + ": decoding: Invalid argument\n");
    r = run({"png", empty, "-o", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + empty + ": no pixels to draw: No data available\n");
    r = run({"png", empty, "-o", path("nowhere/out.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(contents(out), bytesOf("keep"));
    EXPECT_EQ(workFiles(), (std::set<std::string>{"z", "empty", "out.png"}));
}

TEST_F(Cli, ExtractWritesThePackedImageAndReportsIt) {
    const std::string twoPlanes =
        write("cs1", makeGraphic({"VE8,CS1,RL1", std::nullopt, {1, 2, 3, 4, 5, 6, 7, 8}}));
    Outcome r = run({"extract", twoPlanes, "--exclude-route", "-o", path("image")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(path("image")), (ByteVector{2, 3, 4, 6, 7, 8}));
    auto report = tables(r.out)[0];
    EXPECT_EQ(report.at("columns"), "3");
    EXPECT_EQ(report.at("column size"), "8");
    EXPECT_EQ(report.at("planes"), "2");
    EXPECT_EQ(report.at("length"), "3 bytes a plane");
    EXPECT_EQ(report.at("offset"), "16");

    const std::string mono =
        write("cs0", makeGraphic({"VE8", std::nullopt, {0, 0, 0x3C, 0x42, 0, 0}}));
    r = run({"extract", mono, "--trim-leading", "--trim-trailing", "-o", path("image")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(path("image")), (ByteVector{0x3C, 0x42}));
    report = tables(r.out)[0];
    EXPECT_EQ(report.at("columns"), "2");
    EXPECT_EQ(report.at("planes"), "1");

    const std::string rows = write("rows", makeGraphic({"HE8", std::nullopt, {1, 2}}));
    r = run({"extract", rows, "-o", path("none")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "qrvx: " + rows +
                  ": extracting the image of a horizontal raster: Operation not supported\n");
    EXPECT_FALSE(fs::exists(path("none")));
}

TEST_F(Cli, ProgramThenMarkRoundTrip) {
    const std::string target =
        write("target", makeGraphic({"VE8,RL2", 1, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16}}));
    const std::string source =
        write("source", makeGraphic({"VE8,@RP1/2/0,RL2", std::nullopt, {0xA1, 0xA2, 0xA3}}));
    const ByteVector pixels{0xA1, 0xA2, 0x13, 0x14, 0x15, 0x16};
    Outcome r = run({"program", target, source, "-o", path("programmed")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(path("programmed")), makeGraphic({"VE8,@RP1/2/0,RL2", 1, pixels}));

    ASSERT_EQ(run({"mark", path("programmed"), "-o", path("marked")}).status, 0);
    const ByteVector marked = makeGraphic({"VE8,@RP1/2/0", 1, pixels});
    EXPECT_EQ(contents(path("marked")), marked);
    EXPECT_EQ(Json::parse(run({"info", "--json", path("marked")}).out)[0]["programmable"], false);

    // In place through a symbolic link: the link stays, its file changes, its mode is kept.
    fs::permissions(path("programmed"), fs::perms(0640));
    fs::create_symlink("programmed", path("link"));
    ASSERT_EQ(run({"mark", path("link")}).status, 0);
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(contents(path("programmed")), marked);
    EXPECT_EQ(fs::status(path("programmed")).permissions(), fs::perms(0640));

    r = run({"program", path("marked"), source, "-o", path("again")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + path("marked") + ": already holds a route number: File exists\n");
    r = run({"program", target, target, "-o", path("again")});
    EXPECT_EQ(r.err, "qrvx: " + target +
                         ": holds no route number (no @RP byte count): No data available\n");
    EXPECT_FALSE(fs::exists(path("again")));
}

TEST_F(Cli, MarkInPlaceLeavesTheInputWhenMarkingFails) {
    const ByteVector graphic = makeGraphic({"VE8,CS1", 0, pixelsOf(6)});
    const std::string file = write("graphic", graphic);
    const Outcome r = run({"mark", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + file + ": no RL or RR key to delete: No such file or directory\n");
    EXPECT_EQ(contents(file), graphic);
    EXPECT_EQ(workFiles(), std::set<std::string>{"graphic"});
}

TEST_F(Cli, UsageErrorsExitWithTwoAndWriteNothing) {
    const std::string g = write("g", makeGraphic({"VE8", std::nullopt, {1, 2}}));
    const std::vector<Args> usage = {{},
                                     {"bogus"},
                                     {"info"},
                                     {"info", "--frobnicate", g},
                                     {"info", "--json", "--brief", g},
                                     {"extract", g},
                                     {"program", g, g},
                                     {"mark"},
                                     {"png", g, "--fg", "red"},
                                     {"png", g, "--bg", "#12345"},
                                     {"png", g, "--fg", "#1234567"},
                                     {"png", g, "--fg", "#GGGGGG"},
                                     {"png", g, "--fg", "+12345"},
                                     {"png", g, "--fg", "##123456"}};
    for (const Args &args : usage) {
        const Outcome r = run(args);
        const std::string shown = ::testing::PrintToString(args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_TRUE(r.err.starts_with("qrvx: ")) << shown << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << r.err;
    }
    EXPECT_EQ(workFiles(), std::set<std::string>{"g"});
    for (const std::string command : {"info", "png", "extract", "program", "mark"}) {
        const Outcome r = run({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Usage: qrvx " + command + " [OPTIONS]"), std::string::npos);
    }
}

TEST_F(Cli, VerboseTracesTheLibraryAndErrorsAlwaysShow) {
    const std::string g = write("g", makeGraphic({"VE8", std::nullopt, {1, 2}}));
    EXPECT_EQ(run({"png", g}).err, "");
    for (const Args &args : {Args{"-v", "png", g}, Args{"png", "-v", g}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("[qrvx debug] convertCS0Image:550: converting CS0 Image"),
                  std::string::npos)
            << r.err;
    }
    const Outcome r =
        run({"info", "--brief", write("bad", makeGraphic({"VE12x", std::nullopt, {1}}))});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Incorrect Column Size 12x"), std::string::npos) << r.err;
}

TEST_F(Cli, RefusesFilesBeyondThirtyTwoBitLengths) {
    const std::string big = path("big");
    std::ofstream(big).close();
    fs::resize_file(big, std::uintmax_t{1} << 32); // sparse: no disk space, and never read
    const Outcome r = run({"info", big});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qrvx: " + big +
                         ": larger than 4 GiB - 1 bytes, the most a graphic can have: File too "
                         "large\n");
}

} // namespace
} // namespace qrvx::test
