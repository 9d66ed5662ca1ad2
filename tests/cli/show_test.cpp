// `qrvx show` run in a directory of hand-made graphics, its output compared with drawings.
#include "support/graphic_builder.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace qrvx::test {
namespace {

using Lines = std::vector<std::string>;

// 8 x 3:  ##....##  ..####..  #......#
const ByteVector mono = makeGraphic({"HE8", std::nullopt, {0xC3, 0x3C, 0x81}});
// 8 x 1, values 2 2 1 0 0 0 0 0; palette red, green, blue, white.
const ByteVector paletted =
    makeGraphic({"HE8,CS2,PA255,PB65280,PC16711680,PD16777215", std::nullopt, {0xA4, 0x00}});
// 2 x 3:  ##  .#  #.
const ByteVector small = makeGraphic({"VE3", std::nullopt, {0x05, 0x03}});

struct ShowCase {
    const char *name;
    const char *columns; // COLUMNS, which only a run without --width looks at
    std::string args;
    int status;
    Lines output; // stdout and stderr
};

class Show : public ::testing::TestWithParam<ShowCase> {
protected:
    void SetUp() override {
        for (const auto &[name, bytes] :
             {std::pair{"mono", &mono}, std::pair{"paletted", &paletted},
              std::pair{"small", &small}}) {
            std::ofstream(dir_.file(name), std::ios::binary)
                .write(reinterpret_cast<const char *>(bytes->data()),
                       static_cast<std::streamsize>(bytes->size()));
        }
    }

    // The tool run in the directory of the graphics, its lines.
    std::pair<int, Lines> run(const ShowCase &c) const {
        const std::string command = "cd '" + dir_.path().string() + "' && COLUMNS=" + c.columns +
                                    " '" QRVX_CLI "' show " + c.args + " 2>&1";
        std::FILE *pipe = popen(command.c_str(), "r");
        Lines lines(1);
        for (int next; (next = std::fgetc(pipe)) != EOF;) {
            if (next == '\n') {
                lines.emplace_back();
            } else {
                lines.back().push_back(static_cast<char>(next));
            }
        }
        lines.pop_back(); // after the last newline
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, lines};
    }

    TempDir dir_{"qrvx_show"};
};

TEST_P(Show, DrawsTheGraphics) {
    const ShowCase &c = GetParam();
    const auto [status, output] = run(c);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(output, c.output);
}

const std::string fg = "\x1b[38;2;255;128;0m", bg = "\x1b[48;2;0;0;128m";
const std::string fgAsBg = "\x1b[48;2;255;128;0m", bgAsFg = "\x1b[38;2;0;0;128m";
const std::string reset = "\x1b[0m";

// clang-format off
INSTANTIATE_TEST_SUITE_P(show, Show, ::testing::Values(
    ShowCase{"PlainMonochromeTwoRowsALine", "80", "--plain mono", 0,
             {"mono  8 x 3, colour system 0",
              "▀▀▄▄▄▄▀▀",
              "▀      ▀"}},
    ShowCase{"PlainPaletteShadesWithLegend", "80", "--plain paletted", 0,
             {"paletted  8 x 1, colour system 2, 3 colours",
              "\" \" 0 #FF0000  \"░\" 1 #00FF00  \"▒\" 2 #0000FF  \"▓\" 3 #FFFFFF",
              "▒▒░     "}},
    // Escapes only where a colour changes; the odd last row pairs with the background.
    ShowCase{"ColourHalfBlocks", "80", "--colour --fg '#FF8000' --bg 000080 small", 0,
             {"small  2 x 3, colour system 0",
              fg + bg + "▀" + fgAsBg + "▀" + reset,
              fg + bg + "▀" + bgAsFg + "▀" + reset}},
    ShowCase{"FoldedIntoBands", "80", "--plain --width 3 mono", 0,
             {"mono  8 x 3, colour system 0",
              "columns 0-2", "▀▀▄", "▀  ",
              "columns 3-5", "▄▄▄", "   ",
              "columns 6-7", "▀▀", " ▀"}},
    ShowCase{"WidthFromColumns", "5", "--plain mono", 0,
             {"mono  8 x 3, colour system 0",
              "columns 0-4", "▀▀▄▄▄", "▀    ",
              "columns 5-7", "▄▀▀", "  ▀"}},
    ShowCase{"FailureReportedOthersShown", "80", "--plain missing small missing small", 1,
             {"qrvx: missing: opening: No such file or directory",
              "small  2 x 3, colour system 0", "▀█", "▀ ",
              "qrvx: missing: opening: No such file or directory",
              "",
              "small  2 x 3, colour system 0", "▀█", "▀ "}},
    ShowCase{"PlainAndColourExclude", "80", "--plain --colour small", 2,
             {"qrvx: --plain excludes --colour (see --help)"}}),
    [](const auto &testCase) { return std::string(testCase.param.name); });
// clang-format on

} // namespace
} // namespace qrvx::test
