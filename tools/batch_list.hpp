// A destination list: a CSV file whose header names the columns and whose every further record
// is one sign. Columns: code (required), line1 to line3, short1 to short3 (the destination's
// short wording), route, and the options of `qrvx text`;
// a cell with several values (fonts in fitting order) separates them with "|".
#pragma once

#include "csv_reader.hpp"
#include "sign_request.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qrvx::cli {

using batch::CsvError;
using batch::readCsvRecords;

inline constexpr char valueSeparator = '|';

// Code: a file name in any directory on any file system, so letters, digits, "-" and "_".
inline constexpr std::size_t maxCodeLength = 100;
bool validCode(std::string_view code);

struct ListRow {
    std::uint64_t line = 0; // where its record starts
    std::string code;
    SignRequest request; // the command line's options with the row's cells over them
};

// The header's columns, and how a record becomes a row.
class ListColumns {
public:
    // Throws CsvError for an unknown or repeated column, or one without a name, or no "code".
    ListColumns(std::uint64_t line, std::span<const std::string> names);
    // Throws CsvError for a non-empty cell beyond the header or a missing or invalid code.
    ListRow row(std::uint64_t line, std::span<const std::string> cells,
                const SignRequest &defaults) const;

private:
    enum class Role { code, line, shortLine, route, option };
    struct Column {
        Role role;
        std::string name;
        std::size_t line; // 0 to 2 for line1 to line3 and short1 to short3
    };
    std::vector<Column> columns_;
};

// The codes of a list, in its order, end to end in one string: a few bytes a row.
class ListCodes {
public:
    void add(std::string_view code, std::uint64_t line);
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t row) const;
    std::uint64_t line(std::size_t row) const { return lines_[row]; }
    // The first row whose code another row has too, ignoring case (the files of "A" and "a" are
    // one on some file systems), and that other row.
    std::optional<std::pair<std::size_t, std::size_t>> duplicate() const;

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
    std::vector<std::uint64_t> lines_;
};

// The request's options and number of lines as one key: rows with equal keys load the same
// fonts.
std::string fontKey(const SignRequest &request);

// What reading a whole list found before any sign is made.
struct ListPlan {
    ListCodes codes;
    // Why the fonts of rows with these keys (fontKey) did not load: those rows are refused.
    std::map<std::string, std::string, std::less<>> fontErrors;
};

// Pass one: the whole list read and checked, every font it names loaded onto the shelf. Throws
// CsvError for a list that cannot be made at all.
ListPlan planList(int descriptor, const SignRequest &defaults, Shelf &shelf);

// Pass two: every row in order (of a list planList accepted).
void forEachRow(int descriptor, const SignRequest &defaults,
                const std::function<void(ListRow &&)> &each);

} // namespace qrvx::cli
