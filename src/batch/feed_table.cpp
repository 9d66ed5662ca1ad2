#include "feed_table.hpp"

#include "csv_reader.hpp"

#include <algorithm>

namespace qrvx::batch {
namespace {

// Thrown from the record handler to stop reading a file whose rest is not needed.
struct EnoughRead {};

constexpr CsvLimits tableLimits{1 << 16, 256, "a feed's files are UTF-8"};

} // namespace

void readTable(FeedFiles &files, std::string_view file, std::span<const Column> columns,
               const std::function<bool(const TableHeader &)> &header,
               const std::function<void(const TableRow &)> &each) {
    const std::string name(file);
    TableHeader found(columns.size());
    bool named = false;
    CsvReader *readerOf = nullptr;
    const auto record = [&](std::uint64_t line, std::span<const std::string_view> cells) {
        if (named) {
            each(TableRow(line, cells, found.positions_));
            return;
        }
        for (std::size_t column = 0; column < columns.size(); ++column) {
            const auto at = std::ranges::find_if(cells, [&](std::string_view cell) {
                return withoutSpaces(cell) == columns[column].name;
            });
            if (at != cells.end()) {
                found.positions_[column] = static_cast<std::size_t>(at - cells.begin());
            } else if (columns[column].required) {
                throw BatchError(Errc::missingColumn, name + ":" + std::to_string(line) +
                                                          ": no column " +
                                                          std::string(columns[column].name));
            }
        }
        named = true;
        if (!header(found)) {
            throw EnoughRead{};
        }
        // A timetable's stop_times.txt has millions of rows, most of whose cells are not asked for.
        std::size_t handed = 0;
        for (const std::size_t position : found.positions_) {
            handed = position == TableHeader::absent ? handed : std::max(handed, position + 1);
        }
        readerOf->handOnly(handed);
    };
    try {
        CsvReader reader(tableLimits, record);
        readerOf = &reader;
        files.read(file, [&](std::string_view bytes) { reader.feed(bytes); });
        reader.finish();
        if (!named) {
            record(1, {}); // an empty file: its required columns are missing
        }
    } catch (const EnoughRead &) {
    } catch (const CsvError &error) {
        throw BatchError(error.notUtf8() ? Errc::invalidUtf8 : Errc::malformedFile,
                         name + ":" + error.what());
    }
}

void readTable(FeedFiles &files, std::string_view file, std::span<const Column> columns,
               const std::function<void(const TableRow &)> &each) {
    readTable(
        files, file, columns, [](const TableHeader &) { return true; }, each);
}

} // namespace qrvx::batch
