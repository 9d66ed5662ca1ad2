// A file of a feed as a table: the first record names the columns, in any order; columns that
// are not asked for are left out, and cells are taken without the spaces around them.
#pragma once

#include "feed_files.hpp"
#include "trimmed.hpp"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::batch {

struct Column {
    std::string_view name;
    bool required = false;
};

// A record's cells of the columns asked for, in the order asked.
class TableRow {
public:
    TableRow(std::uint64_t line, std::span<const std::string_view> cells,
             std::span<const std::size_t> positions)
        : line_(line), cells_(cells), positions_(positions) {}
    std::uint64_t line() const { return line_; }
    // "" where the record or file lacks it.
    std::string_view operator[](std::size_t column) const {
        const std::size_t at = positions_[column];
        return at < cells_.size() ? withoutSpaces(cells_[at]) : std::string_view();
    }

private:
    std::uint64_t line_;
    std::span<const std::string_view> cells_;
    std::span<const std::size_t> positions_;
};

// The columns a file has of those asked for.
class TableHeader {
public:
    explicit TableHeader(std::size_t columns) : positions_(columns, absent) {}
    bool has(std::size_t column) const { return positions_[column] != absent; }

private:
    friend void readTable(FeedFiles &, std::string_view, std::span<const Column>,
                          const std::function<bool(const TableHeader &)> &,
                          const std::function<void(const TableRow &)> &);
    static constexpr std::size_t absent = static_cast<std::size_t>(-1);
    std::vector<std::size_t> positions_;
};

// Reads file of files: checks its header for the required columns, asks header whether to read
// on, then hands every record to each. Throws BatchError: Errc::missingColumn,
// Errc::malformedFile and Errc::invalidUtf8 with "FILE:LINE: reason", and what reading throws.
void readTable(FeedFiles &files, std::string_view file, std::span<const Column> columns,
               const std::function<bool(const TableHeader &)> &header,
               const std::function<void(const TableRow &)> &each);

// The same, reading every record of a file that has the required columns.
void readTable(FeedFiles &files, std::string_view file, std::span<const Column> columns,
               const std::function<void(const TableRow &)> &each);

} // namespace qrvx::batch
