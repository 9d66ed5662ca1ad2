// Destination lists: arbitrary bytes read as a list and made into signs, with the faces of a sign
// set when the bytes start with one ended by a line "%%". A list is refused before anything is
// written, or else every row is made or refused alone; either way nothing is written outside the
// output directory and no temporary file is left behind.
#include "fuzz_check.hpp"
#include "qrvx_batch.hpp"
#include "qrvx_host_trace.h"
#include "scratch_directory.hpp"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace {

const fs::path &root() {
    return qrvx::fuzz::scratchDirectory("qrvx_batch_fuzz"); // every run ends with a sync of it
}

std::size_t entries(const fs::path &directory) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // A font column names files and fontconfig patterns anywhere on the machine.
    if (bytes.find("font") != bytes.npos) {
        return 0;
    }
    QTR_useNoLogger();
    const fs::path list = root() / "list.csv";
    const fs::path out = root() / "out";
    qrvx::batch::RunOptions options;
    options.directory = out.string();
    options.listName = "list.csv";
    std::string_view rows = bytes;
    if (const std::size_t end = bytes.find("\n%%\n"); end != bytes.npos) {
        const fs::path set = root() / "set.toml";
        std::ofstream(set, std::ios::binary) << bytes.substr(0, end);
        auto signSet = qrvx::batch::readSignSet(set.string());
        fs::remove(set);
        if (!signSet) {
            return 0;
        }
        options.signSet = std::move(*signSet);
        rows = bytes.substr(end + 4);
    }
    std::ofstream(list, std::ios::binary)
        .write(rows.data(), static_cast<std::streamsize>(rows.size()));
    qrvx::batch::Observer observer;
    const auto summary =
        qrvx::batch::run(options, qrvx::batch::listRows(list.string(), {}), observer);
    if (summary && options.signSet) {
        // A folder a face, the page and the list of signs made; a face of a row is made, refused
        // or left to an earlier row of its route (or to none, without a route).
        FUZZ_CHECK(entries(out) == options.signSet->faces.size() + 2);
        FUZZ_CHECK(summary->signs + summary->refused <=
                   summary->rows * options.signSet->faces.size());
        FUZZ_CHECK(summary->marked <= summary->signs);
    } else if (summary) {
        // Two files a sign made, the page, the sheet and the list of signs made, and no
        // temporary file.
        FUZZ_CHECK(entries(out) == 2 * summary->signs + 3);
        FUZZ_CHECK(summary->signs + summary->refused == summary->rows);
        FUZZ_CHECK(summary->marked <= summary->signs);
    } else {
        FUZZ_CHECK(!fs::exists(out)); // a list that cannot be made writes nothing
    }
    FUZZ_CHECK(entries(root()) == (fs::exists(out) ? 2u : 1u));
    fs::remove_all(out);
    return 0;
}
