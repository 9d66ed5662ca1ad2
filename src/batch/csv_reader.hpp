// The records of a CSV file as spreadsheets and timetable exports write it: quoted fields with
// commas, line breaks and doubled quotes, LF or CRLF, an optional UTF-8 byte-order mark. libcsv
// reads them, strictly, so that malformed quoting is an error rather than a guess; the bytes may
// come in pieces of any size (a file descriptor, an entry of a zip archive).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qrvx::batch {

// A record the file cannot give: "LINE: reason" (LINE 1-based, where the reader stopped).
class CsvError : public std::runtime_error {
public:
    CsvError(std::uint64_t line, const std::string &reason, bool notUtf8 = false)
        : std::runtime_error(std::to_string(line) + ": " + reason), notUtf8_(notUtf8) {}
    bool notUtf8() const noexcept { return notUtf8_; }

private:
    bool notUtf8_;
};

struct CsvLimits {
    std::size_t cellBytes = 1 << 16;
    std::size_t cells = 256; // a record
    // What the refusal of a cell that is not UTF-8 advises.
    std::string_view utf8Advice = "save the list as CSV UTF-8";
};

// Called with every record that has a non-empty cell, in file order, with the line it starts
// on. Every cell is UTF-8 without NUL, and stays only until the handler returns.
using CsvRecordHandler =
    std::function<void(std::uint64_t line, std::span<const std::string_view> cells)>;

// Reads records from bytes handed in as they come. feed() and finish() throw CsvError for what
// cannot be read, and pass on what the handler throws; after that the reader takes no more.
class CsvReader {
public:
    CsvReader(const CsvLimits &limits, CsvRecordHandler each);
    ~CsvReader();
    CsvReader(const CsvReader &) = delete;
    CsvReader &operator=(const CsvReader &) = delete;

    void feed(std::string_view bytes);
    // From the next record on, only the first `cells` cells of a record are handed on; the others
    // are checked all the same, and a record whose only text is among them is still one.
    void handOnly(std::size_t cells);
    void finish(); // the end of the bytes: the last record, or an unclosed quote

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Reads the records of a file descriptor to its end. Also throws std::system_error when reading
// fails.
void readCsvRecords(int descriptor, const CsvLimits &limits, const CsvRecordHandler &each);

} // namespace qrvx::batch
