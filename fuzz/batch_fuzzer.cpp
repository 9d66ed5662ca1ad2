// Destination lists: arbitrary bytes read as a list and made into signs. A list is refused
// before anything is written, or else every row is made or refused alone; either way nothing is
// written outside the output directory and no temporary file is left behind.
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
    std::ofstream(list, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    qrvx::batch::RunOptions options;
    options.directory = out.string();
    options.listName = "list.csv";
    qrvx::batch::Observer observer;
    const auto summary =
        qrvx::batch::run(options, qrvx::batch::listRows(list.string(), {}), observer);
    if (summary) {
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
