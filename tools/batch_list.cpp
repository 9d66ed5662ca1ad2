#include "batch_list.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <numeric>

namespace qrvx::cli {
namespace {

constexpr std::array<std::string_view, 3> lineColumns = {"line1", "line2", "line3"};
constexpr std::array<std::string_view, 3> shortColumns = {"short1", "short2", "short3"};
constexpr std::string_view codeColumn = "code";
constexpr std::string_view routeColumn = "route";
// How a route number is drawn: the command line's apply only to rows that have one.
constexpr std::array<std::string_view, 4> routeStyle = {"route-side", "route-font", "route-colour",
                                                        "route-gap"};

std::string knownColumns() {
    std::string names = "code, line1, line2, line3, short1, short2, short3";
    for (const std::string_view name : signOptionNames()) {
        names += ", ";
        names += name;
    }
    return names;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string> splitValues(std::string_view cell) {
    std::vector<std::string> values;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(cell.find(valueSeparator, start), cell.size());
        values.emplace_back(trimmed(cell.substr(start, end - start)));
        if (end == cell.size()) {
            return values;
        }
        start = end + 1;
    }
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool lessIgnoringCase(std::string_view one, std::string_view other) {
    return std::ranges::lexicographical_compare(one, other,
                                                [](char a, char b) { return lower(a) < lower(b); });
}

bool equalIgnoringCase(std::string_view one, std::string_view other) {
    return std::ranges::equal(one, other, [](char a, char b) { return lower(a) == lower(b); });
}

} // namespace

bool validCode(std::string_view code) {
    return !code.empty() && code.size() <= maxCodeLength && std::ranges::all_of(code, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

ListColumns::ListColumns(std::uint64_t line, std::span<const std::string> names) {
    const auto options = signOptionNames();
    for (const std::string &name : names) {
        Role role = Role::option;
        auto lineColumn = std::ranges::find(lineColumns, name);
        const auto shortColumn = std::ranges::find(shortColumns, name);
        if (name == codeColumn) {
            role = Role::code;
        } else if (lineColumn != lineColumns.end()) {
            role = Role::line;
        } else if (shortColumn != shortColumns.end()) {
            role = Role::shortLine;
            lineColumn = lineColumns.begin() + (shortColumn - shortColumns.begin());
        } else if (name == routeColumn) {
            role = Role::route;
        } else if (std::ranges::find(options, name) == options.end()) {
            throw CsvError(line, "unknown column '" + name + "' (columns: " + knownColumns() + ")");
        }
        if (std::ranges::any_of(columns_, [&](const Column &seen) { return seen.name == name; })) {
            throw CsvError(line, "column '" + name + "' twice");
        }
        columns_.push_back(
            {role, name, static_cast<std::size_t>(lineColumn - lineColumns.begin())});
    }
    if (std::ranges::none_of(columns_, [](const Column &c) { return c.role == Role::code; })) {
        throw CsvError(line, "no column 'code' in the first row, which names the columns");
    }
}

ListRow ListColumns::row(std::uint64_t line, std::span<const std::string> cells,
                         const SignRequest &defaults) const {
    ListRow row{line, {}, {}};
    std::array<std::string, lineColumns.size()> lines;
    std::array<std::string, shortColumns.size()> shortLines;
    for (std::size_t at = 0; at < cells.size(); ++at) {
        const std::string &cell = cells[at];
        if (at >= columns_.size()) {
            if (!cell.empty()) {
                throw CsvError(line, "a cell beyond the " + std::to_string(columns_.size()) +
                                         " columns of the first row");
            }
            continue;
        }
        const Column &column = columns_[at];
        if (column.role == Role::code) {
            row.code = cell;
        } else if (cell.empty()) {
            continue; // the default holds
        } else if (column.role == Role::line) {
            lines[column.line] = cell;
        } else if (column.role == Role::shortLine) {
            shortLines[column.line] = cell;
        } else if (column.role == Role::route) {
            row.request.options[column.name] = {cell};
        } else {
            row.request.options[column.name] = splitValues(cell);
        }
    }
    if (row.code.empty()) {
        throw CsvError(line, "a row without a code");
    }
    if (!validCode(row.code)) {
        throw CsvError(line, "code '" + row.code + "' is not 1 to " +
                                 std::to_string(maxCodeLength) +
                                 " letters, digits, '-' and '_', which every file system takes");
    }
    for (std::string &text : lines) {
        if (!text.empty()) {
            row.request.lines.push_back(std::move(text)); // an empty line is left out
        }
    }
    for (std::string &text : shortLines) {
        if (!text.empty()) {
            row.request.shortLines.push_back(std::move(text));
        }
    }
    const bool route =
        row.request.options.contains(routeColumn) || defaults.options.contains(routeColumn);
    for (const auto &[name, values] : defaults.options) {
        if (route || std::ranges::find(routeStyle, name) == routeStyle.end()) {
            row.request.options.emplace(name, values); // unless a cell gave it
        }
    }
    return row;
}

void ListCodes::add(std::string_view code, std::uint64_t line) {
    if (text_.size() + code.size() > 0xFFFFFFFFu) {
        throw CsvError(line, "too many rows");
    }
    text_ += code;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    lines_.push_back(line);
}

std::string_view ListCodes::operator[](std::size_t row) const {
    const std::uint32_t start = row == 0 ? 0 : ends_[row - 1];
    return std::string_view(text_).substr(start, ends_[row] - start);
}

std::optional<std::pair<std::size_t, std::size_t>> ListCodes::duplicate() const {
    std::vector<std::uint32_t> order(size());
    std::iota(order.begin(), order.end(), 0u);
    std::ranges::stable_sort(order, [&](std::uint32_t one, std::uint32_t other) {
        return lessIgnoringCase((*this)[one], (*this)[other]);
    });
    std::optional<std::pair<std::size_t, std::size_t>> first;
    for (std::size_t at = 1; at < order.size(); ++at) {
        if (equalIgnoringCase((*this)[order[at - 1]], (*this)[order[at]]) &&
            (!first || order[at] < first->first)) {
            first = {{order[at], order[at - 1]}};
        }
    }
    return first;
}

std::string fontKey(const SignRequest &request) {
    std::string key = std::to_string(request.lines.size()) + '\n';
    for (const auto &[name, values] : request.options) {
        key += name;
        for (const std::string &value : values) {
            key += '\0';
            key += value;
        }
        key += '\n';
    }
    return key;
}

namespace {

// Both passes read the list alike: the first record names the columns.
void readRows(int descriptor, const SignRequest &defaults,
              const std::function<void(ListRow &&)> &each) {
    std::optional<ListColumns> columns;
    readCsvRecords(descriptor, {}, [&](std::uint64_t line, std::span<const std::string> cells) {
        if (!columns) {
            columns.emplace(line, cells);
        } else {
            each(columns->row(line, cells, defaults));
        }
    });
    if (!columns) {
        throw CsvError(1, "empty: the first row names the columns, the others are signs");
    }
}

} // namespace

ListPlan planList(int descriptor, const SignRequest &defaults, Shelf &shelf) {
    ListPlan plan;
    std::uint64_t lastLine = 1;
    std::string lastKey; // rows in a run mostly share their options
    readRows(descriptor, defaults, [&](ListRow &&row) {
        plan.codes.add(row.code, row.line);
        lastLine = row.line;
        std::string key = fontKey(row.request);
        if (key != lastKey && !plan.fontErrors.contains(key)) {
            if (auto error = shelf.loadFor(row.request)) {
                plan.fontErrors.emplace(key, std::move(*error));
            }
        }
        lastKey = std::move(key);
    });
    if (plan.codes.size() == 0) {
        throw CsvError(lastLine, "no rows below the one that names the columns");
    }
    if (const auto duplicate = plan.codes.duplicate()) {
        const auto [row, other] = *duplicate;
        throw CsvError(plan.codes.line(row), "code '" + std::string(plan.codes[row]) +
                                                 "' again (line " +
                                                 std::to_string(plan.codes.line(other)) + ")");
    }
    return plan;
}

void forEachRow(int descriptor, const SignRequest &defaults,
                const std::function<void(ListRow &&)> &each) {
    readRows(descriptor, defaults, each);
}

} // namespace qrvx::cli
