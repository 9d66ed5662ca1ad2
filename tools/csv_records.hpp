// The records of a CSV file as spreadsheets write it: quoted fields with commas, line breaks and
// doubled quotes, LF or CRLF, an optional UTF-8 byte-order mark. libcsv reads them, strictly, so
// that malformed quoting is an error rather than a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>

namespace qrvx::cli {

// A record the file cannot give: "LINE: reason" (LINE 1-based, where the reader stopped).
class CsvError : public std::runtime_error {
public:
    CsvError(std::uint64_t line, const std::string &reason)
        : std::runtime_error(std::to_string(line) + ": " + reason) {}
};

struct CsvLimits {
    std::size_t cellBytes = 1 << 16;
    std::size_t cells = 256; // a record
};

// Calls `each` with every record that has a non-empty cell, in file order, with the line it
// starts on. Every cell is UTF-8 without NUL. Throws CsvError for what cannot be read, and
// passes on what `each` throws.
using CsvRecordHandler =
    std::function<void(std::uint64_t line, std::span<const std::string> cells)>;
void readCsvRecords(int descriptor, const CsvLimits &limits, const CsvRecordHandler &each);

} // namespace qrvx::cli
