// A destination list read a record at a time: the first names the columns, every further one is
// a row. The list is read again each time the source is asked for its rows, so that memory does
// not grow with it.
#include "csv_reader.hpp"
#include "descriptor.hpp"
#include "rows.hpp"
#include "trimmed.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>

namespace qrvx::batch {
namespace {

constexpr char valueSeparator = '|';
constexpr std::array<std::string_view, 3> lineColumns = {"line1", "line2", "line3"};
constexpr std::array<std::string_view, 3> shortColumns = {"short1", "short2", "short3"};

std::string knownColumns() {
    std::string names = "code, line1, line2, line3, short1, short2, short3, source";
    for (const SignOption &option : signOptions()) {
        names += ", ";
        names += option.name;
    }
    return names + ", and FACE.line1 ... FACE.short3";
}

std::vector<std::string> splitValues(std::string_view cell) {
    std::vector<std::string> values;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(cell.find(valueSeparator, start), cell.size());
        values.emplace_back(withoutBlanks(cell.substr(start, end - start)));
        if (end == cell.size()) {
            return values;
        }
        start = end + 1;
    }
}

// What a column holds: the code, a line or a line of the short wording (of the row, or of one
// face), the route, an option, or a note the list carries along.
struct Column {
    enum class Role { code, line, shortLine, route, option, ignored } role = Role::option;
    std::string name;
    std::string face;     // of a face's own wording; empty for the row's
    std::size_t line = 0; // 0 to 2
};

// The role of a line or short-wording column ("line2", "side.short1"), none for another name.
std::optional<Column> wordingColumn(std::string_view name) {
    const std::size_t dot = name.find('.');
    const std::string_view face = dot == name.npos ? "" : name.substr(0, dot);
    const std::string_view part = dot == name.npos ? name : name.substr(dot + 1);
    if (dot != name.npos && !validFaceName(face)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < lineColumns.size(); ++i) {
        if (part == lineColumns[i] || part == shortColumns[i]) {
            return Column{part == lineColumns[i] ? Column::Role::line : Column::Role::shortLine,
                          std::string(name), std::string(face), i};
        }
    }
    return std::nullopt;
}

std::vector<Column> columnsOf(std::uint64_t line, std::span<const std::string_view> names) {
    std::vector<Column> columns;
    for (const std::string_view name : names) {
        Column column{Column::Role::option, std::string(name), "", 0};
        const bool option = std::ranges::any_of(
            signOptions(), [&](const SignOption &known) { return known.name == name; });
        if (name == "code") {
            column.role = Column::Role::code;
        } else if (name == "route") {
            column.role = Column::Role::route;
        } else if (name == "source") {
            column.role = Column::Role::ignored;
        } else if (auto wording = wordingColumn(name)) {
            column = std::move(*wording);
        } else if (!option) {
            throw CsvError(line, "unknown column '" + column.name +
                                     "' (columns: " + knownColumns() + ")");
        }
        if (std::ranges::any_of(columns, [&](const Column &seen) { return seen.name == name; })) {
            throw CsvError(line, "column '" + column.name + "' twice");
        }
        columns.push_back(std::move(column));
    }
    if (std::ranges::none_of(columns,
                             [](const Column &c) { return c.role == Column::Role::code; })) {
        throw CsvError(line, "no column 'code' in the first row, which names the columns");
    }
    return columns;
}

// The non-empty texts, in order: an empty line is left out.
std::vector<std::string> nonEmpty(std::array<std::string, 3> &texts) {
    std::vector<std::string> kept;
    for (std::string &text : texts) {
        if (!text.empty()) {
            kept.push_back(std::move(text));
        }
    }
    return kept;
}

Row rowOf(std::uint64_t line, std::span<const std::string_view> cells,
          const std::vector<Column> &columns, const SignRequest &defaults) {
    Row row;
    row.line = line;
    std::array<std::string, 3> lines, shortLines;
    std::map<std::string, std::array<std::array<std::string, 3>, 2>, std::less<>> faces;
    for (std::size_t at = 0; at < cells.size(); ++at) {
        const std::string_view cell = cells[at];
        if (at >= columns.size()) {
            if (!cell.empty()) {
                throw CsvError(line, "a cell beyond the " + std::to_string(columns.size()) +
                                         " columns of the first row");
            }
            continue;
        }
        const Column &column = columns[at];
        const bool wording =
            column.role == Column::Role::line || column.role == Column::Role::shortLine;
        if (column.role == Column::Role::code) {
            row.code = cell;
        } else if (cell.empty() || column.role == Column::Role::ignored) {
            continue; // the default holds
        } else if (wording && !column.face.empty()) {
            faces[column.face][column.role == Column::Role::line ? 0 : 1][column.line] = cell;
        } else if (wording) {
            (column.role == Column::Role::line ? lines : shortLines)[column.line] = cell;
        } else if (column.role == Column::Role::route) {
            row.request.options[column.name] = {std::string(cell)};
        } else {
            row.request.options[column.name] = splitValues(cell);
        }
    }
    if (row.code.empty()) {
        throw CsvError(line, "a row without a code");
    }
    if (!validCode(row.code)) {
        throw CsvError(line, "code '" + row.code + "' is not 1 to " +
                                 std::to_string(maxRowCodeLength) +
                                 " letters, digits, '-' and '_', which every file system takes");
    }
    row.request.lines = nonEmpty(lines);
    row.request.shortLines = nonEmpty(shortLines);
    for (auto &[face, texts] : faces) {
        row.faceWordings[face] = {nonEmpty(texts[0]), nonEmpty(texts[1])};
    }
    addDefaults(row.request, defaults);
    return row;
}

std::error_code readList(const std::string &path, const SignRequest &defaults, const RowSink &each,
                         std::string *reason) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        if (reason != nullptr) {
            *reason = path + ": opening: " + std::strerror(error);
        }
        return {error, std::generic_category()};
    }
    std::optional<std::vector<Column>> columns;
    try {
        readCsvRecords(file.get(), {},
                       [&](std::uint64_t line, std::span<const std::string_view> cells) {
                           if (!columns) {
                               columns = columnsOf(line, cells);
                           } else {
                               each(rowOf(line, cells, *columns, defaults));
                           }
                       });
        if (!columns) {
            throw CsvError(1, "empty: the first row names the columns, the others are signs");
        }
    } catch (const CsvError &error) {
        if (reason != nullptr) {
            *reason = path + ":" + error.what();
        }
        return make_error_code(Errc::invalidList);
    } catch (const std::system_error &error) {
        if (reason != nullptr) {
            *reason = path + ": reading: " + error.code().message();
        }
        return error.code();
    }
    return {};
}

} // namespace

RowSource listRows(std::string path, SignRequest defaults) {
    return [path = std::move(path), defaults = std::move(defaults)](const RowSink &each,
                                                                    std::string *reason) {
        return readList(path, defaults, each, reason);
    };
}

} // namespace qrvx::batch
