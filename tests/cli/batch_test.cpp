// qrvx batch run as a user runs it: a list in, signs, a review page and a contact sheet out.
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>

namespace qrvx::test {
namespace {

namespace fs = std::filesystem;

const std::string aeroplane = "\xE2\x9C\x88"; // in no built-in font

std::string contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file of a directory by name, with its bytes.
std::map<std::string, std::string> files(const fs::path &directory) {
    std::map<std::string, std::string> all;
    for (const auto &entry : fs::directory_iterator(directory)) {
        all[entry.path().filename().string()] = contents(entry.path());
    }
    return all;
}

class Batch : public ::testing::Test {
protected:
    fs::path out() const { return root_.path() / "out"; }
    std::string page() const { return contents(out() / "index.html"); }

    // The exit status and stderr of `qrvx batch list.csv -o out ARGUMENTS`.
    std::pair<int, std::string> run(const std::string &list, const std::string &arguments = {}) {
        std::ofstream(root_.path() / "list.csv", std::ios::binary) << list;
        const std::string command = "cd '" + root_.path().string() +
                                    "' && '" QRVX_CLI "' batch list.csv -o out " + arguments +
                                    " >/dev/null 2>err";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(root_.path() / "err")};
    }

private:
    TempDir root_{"qrvx_batch"};
};

struct ListCase {
    const char *what;
    std::string list;
    int status;
    std::string err;  // a part of stderr; empty: nothing on it
    std::string page; // a part of the page; empty: the list is refused and nothing written
};

TEST_F(Batch, ReadsListsAsSpreadsheetsWriteThemAndRefusesWhatItCannotRead) {
    const ListCase cases[] = {
        {"quoted comma", "code,line1\nA,\"Hafen, Nord\"\n", 0, "", ">Hafen, Nord<"},
        {"doubled quotes, text escaped", "code,line1\nA,\"Say \"\"hi\"\" <b>\"\n", 0, "",
         ">Say &quot;hi&quot; &lt;b&gt;<"},
        {"CRLF and a byte-order mark",
         "\xEF\xBB\xBF"
         "code,line1\r\nA,Hafen\r\n",
         0, "", ">Hafen<"},
        {"a line break in a cell: rows are named by the line they start on",
         "code,line1\nA,\"Two\nlines\"\nB," + aeroplane + "\n", 1,
         "list.csv:4: B: ", ">list.csv:2<"},
        {"a quote in an unquoted cell", "code,line1\nA,Ha\"fen\n", 1,
         "list.csv:2: malformed quoting", ""},
        {"a quote never closed", "code,line1\nA,\"Hafen\nB,Nord\n", 1, "malformed quoting", ""},
        {"codes again, ignoring case", "code,line1\nA,x\nB,y\na,z\n", 1,
         "list.csv:4: code 'a' again (line 2)", ""},
        {"unknown column", "code,line1,colour_system\nA,x,1\n", 1,
         "list.csv:1: unknown column 'colour_system'", ""},
        {"a code that is a path", "code,line1\n../x,Hafen\n", 1, "list.csv:2: code '../x'", ""},
        {"no code column", "line1\nHafen\n", 1, "no column 'code'", ""},
        {"not UTF-8", "code,line1\nA,G\xF6ttingen\n", 1, "list.csv:2: not UTF-8", ""},
    };
    for (const ListCase &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out());
        const auto [status, err] = run(c.list);
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(c.err.empty() ? err.empty() : err.find(c.err) != err.npos) << err;
        EXPECT_EQ(fs::exists(out()), !c.page.empty());
        EXPECT_NE(page().find(c.page), std::string::npos);
    }
}

TEST_F(Batch, ARefusedRowFailsAloneAndTakesItsOldSignAway) {
    fs::create_directories(out());
    std::ofstream(out() / "B.png") << "from an earlier run";
    const auto [status, err] =
        run("code,line1\nA,Hafen\nB," + aeroplane + " Air\nC,Markt\n", "--width 128");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.starts_with("list.csv:3: B: line 1: U+2708") &&
                std::ranges::count(err, '\n') == 1)
        << err;
    std::vector<std::string> names;
    for (const auto &[name, bytes] : files(out())) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A.png", "A.qrvx", "C.png", "C.qrvx",
                                               "contact-sheet.png", "index.html"}));
    EXPECT_NE(page().find("class=\"sign refused\""), std::string::npos);
    const auto sign = readPng((out() / "A.png").string());
    ASSERT_TRUE(sign);
    EXPECT_EQ(std::pair(sign->width, sign->height), std::pair(128u, 16u));
    EXPECT_TRUE(readPng((out() / "contact-sheet.png").string()));
}

TEST_F(Batch, ThreadsChangeNoByte) {
    std::string list = "code,route,line1,line2,width\n";
    for (int row = 0; row < 40; ++row) {
        list += "R" + std::to_string(row) + "," + std::to_string(row) + ",Haltestelle " +
                std::to_string(row * 7919) + (row % 3 == 0 ? ",via Markt" : ",") +
                (row % 5 == 0 ? ",80\n" : ",\n");
    }
    list += "X,1," + aeroplane + ",,\n";
    EXPECT_EQ(run(list, "--jobs 1").first, 1);
    const auto one = files(out());
    fs::remove_all(out());
    EXPECT_EQ(run(list, "--jobs 2").first, 1);
    EXPECT_EQ(one.size(), 2 * 40 + 2u);
    EXPECT_TRUE(one == files(out()));
}

} // namespace
} // namespace qrvx::test
