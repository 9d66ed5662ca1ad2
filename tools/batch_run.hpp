// `qrvx batch` without its command line: a destination list made into DIR/CODE.qrvx and
// DIR/CODE.png a row each, the review page DIR/index.html and DIR/contact-sheet.png.
//
// - The whole list is read and checked first (CSV, UTF-8, columns, codes) and every font it
//   names loaded; a list that fails is refused before DIR is even created.
// - Rows are made on `jobs` threads from those shared fonts and taken in list order, a bounded
//   window of them at a time, so that outputs are the same bytes with any number of threads and
//   memory does not grow with the list (but for its codes, a few bytes a row).
// - A refused row is a message and an entry on the page; its DIR/CODE.qrvx and .png from an
//   earlier run are removed, so that DIR never offers a sign the list no longer makes.
// - Files are renamed into place as they are made and put on the disk all together at the end.
#pragma once

#include "sign_request.hpp"

#include <cstdint>
#include <ostream>
#include <string>

namespace qrvx::cli {

struct BatchOptions {
    std::string list;
    std::string directory;
    SignRequest defaults; // every row's options where its cell is empty
    unsigned jobs = 1;
    bool progress = false; // the progress line on `messages`
};

struct BatchTally {
    std::uint64_t rows = 0;
    std::uint64_t marked = 0;
    std::uint64_t refused = 0;
};

// Refusals go to `messages` as "LIST:LINE: CODE: reason". Throws std::runtime_error (the
// message) for a list that cannot be made at all and for outputs that cannot be written.
BatchTally runBatch(const BatchOptions &options, std::ostream &messages);

} // namespace qrvx::cli
