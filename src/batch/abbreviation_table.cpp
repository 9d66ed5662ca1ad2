#include "abbreviation_table.hpp"

#include "csv_reader.hpp"
#include "descriptor.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qrvx::batch {
namespace {

struct Read {
    std::vector<text::Abbreviation> entries;
    std::vector<std::uint64_t> lines; // where each entry stands
};

Read readEntries(int descriptor) {
    Read read;
    std::optional<std::pair<std::size_t, std::size_t>> columns; // of long and short
    readCsvRecords(
        descriptor, {}, [&](std::uint64_t line, std::span<const std::string_view> cells) {
            if (!columns) {
                const auto at = [&](std::string_view name) {
                    return static_cast<std::size_t>(std::ranges::find(cells, name) - cells.begin());
                };
                if (at("long") == cells.size() || at("short") == cells.size()) {
                    throw CsvError(line, "the first row names the columns 'long' and 'short'");
                }
                columns = std::pair(at("long"), at("short"));
                return;
            }
            const auto cell = [&](std::size_t at) {
                return std::string(at < cells.size() ? cells[at] : std::string_view());
            };
            read.entries.push_back({cell(columns->first), cell(columns->second)});
            read.lines.push_back(line);
        });
    if (!columns) {
        throw CsvError(1, "empty: the first row names the columns 'long' and 'short'");
    }
    return read;
}

// "abbreviation 3: why" from the library, as the line the entry stands on.
std::string onItsLine(const std::string &path, const Read &read, const std::string &reason) {
    const std::string_view prefix = "abbreviation ";
    std::size_t number = 0;
    std::size_t at = prefix.size();
    if (reason.starts_with(prefix)) {
        while (at < reason.size() && reason[at] >= '0' && reason[at] <= '9') {
            number = number * 10 + static_cast<std::size_t>(reason[at++] - '0');
        }
    }
    if (number == 0 || number > read.lines.size() || reason.compare(at, 2, ": ") != 0) {
        return path + ": " + reason;
    }
    return path + ":" + std::to_string(read.lines[number - 1]) + reason.substr(at);
}

} // namespace

std::variant<text::Abbreviations, std::string> readAbbreviationTable(const std::string &path) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return path + ": opening: " + std::strerror(errno);
    }
    Read read;
    try {
        read = readEntries(file.get());
    } catch (const CsvError &error) {
        return path + ":" + error.what();
    } catch (const std::system_error &error) {
        return path + ": reading: " + error.code().message();
    }
    std::string reason;
    auto table = text::Abbreviations::make(read.entries, &reason);
    if (!table) {
        return onItsLine(path, read, reason.empty() ? table.error().message() : reason);
    }
    return std::move(*table);
}

} // namespace qrvx::batch
