#include "csv_reader.hpp"

#include "descriptor.hpp"

#include <csv.h>
#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <exception>
#include <optional>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace qrvx::batch {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// Where a cell stops being UTF-8 text without NUL: the byte, or nothing when it is text.
struct TextProblem {
    std::size_t byte = 0; // 1-based
    bool nul = false;
};

std::optional<TextProblem> textProblem(std::string_view cell) {
    const auto *bytes = reinterpret_cast<const utf8proc_uint8_t *>(cell.data());
    for (std::size_t at = 0; at < cell.size();) {
        if (bytes[at] != 0 && bytes[at] < 0x80) {
            ++at; // most cells are ASCII
            continue;
        }
        utf8proc_int32_t character = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(
            bytes + at, static_cast<utf8proc_ssize_t>(cell.size() - at), &character);
        if (length < 0 || character == 0) {
            return TextProblem{at + 1, length >= 0};
        }
        at += static_cast<std::size_t>(length);
    }
    return std::nullopt;
}

// What libcsv's callbacks build up, one record at a time. An exception cannot pass through
// libcsv's C frames, so the first one is kept and the rest of the input ignored.
struct Reading {
    Reading(const CsvLimits &givenLimits, const CsvRecordHandler &handler)
        : limits(givenLimits), each(handler) {}

    const CsvLimits &limits;
    const CsvRecordHandler &each;
    std::uint64_t line = 1;
    std::uint64_t recordLine = 0;  // 0 until the record's first cell ends
    std::vector<std::string> kept; // libcsv reuses its buffer for the next cell
    std::vector<std::string_view> cells;
    std::size_t used = 0; // cells of this record; the others keep their memory for the next
    std::size_t handed = static_cast<std::size_t>(-1); // the cells of a record handed on
    bool hasText = false;                              // a cell of this record is not empty
    std::exception_ptr failure;

    // Kept only when it is handed on; every cell is checked all the same.
    void cell(std::string_view text) {
        if (!admit(text)) {
            return;
        }
        hasText = hasText || !text.empty();
        if (used < handed) {
            if (used == kept.size()) {
                kept.emplace_back();
                cells.emplace_back();
            }
            kept[used].assign(text);
        }
        ++used;
    }

    // The record to the handler, unless every cell is empty; then on to the next.
    void recordEnd() {
        const std::size_t given = std::min(used, handed);
        if (!failure && hasText) {
            std::copy_n(kept.begin(), given, cells.begin());
            try {
                each(recordLine, std::span(cells.data(), given));
            } catch (...) {
                failure = std::current_exception();
            }
        }
        used = 0;
        hasText = false;
        recordLine = 0;
    }

    template <class Error>
    void fail(const Error &error) {
        failure = std::make_exception_ptr(error);
    }

private:
    bool admit(std::string_view text) {
        if (failure) {
            return false;
        }
        if (recordLine == 0) {
            // A quoted first cell may span lines; the record starts where it did.
            recordLine = line - static_cast<std::uint64_t>(std::ranges::count(text, '\n'));
        }
        if (used == limits.cells) {
            fail(CsvError(line, "more than " + std::to_string(limits.cells) + " cells"));
            return false;
        }
        if (const auto problem = textProblem(text)) {
            fail(problem->nul ? CsvError(line, "a NUL character in a cell")
                              : CsvError(line,
                                         "not UTF-8 (byte " + std::to_string(problem->byte) +
                                             " of a cell; " + std::string(limits.utf8Advice) + ")",
                                         true));
            return false;
        }
        return true;
    }
};

void onCell(void *text, std::size_t size, void *reading) {
    static_cast<Reading *>(reading)->cell(
        {static_cast<const char *>(text), text != nullptr ? size : 0});
}

void onRecordEnd(int, void *reading) {
    static_cast<Reading *>(reading)->recordEnd();
}

// Feeds libcsv a line at a time, so that the callbacks know the line they are on.
class Feeder {
public:
    explicit Feeder(Reading &reading) : reading_(reading) {
        csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI); // fails only without a parser
    }
    ~Feeder() { csv_free(&parser_); }
    Feeder(const Feeder &) = delete;
    Feeder &operator=(const Feeder &) = delete;

    void feed(std::string_view bytes) {
        while (!bytes.empty() && !reading_.failure) {
            const std::size_t end = std::min(bytes.find('\n'), bytes.size() - 1) + 1;
            parse(bytes.substr(0, end));
            if (bytes[end - 1] == '\n') {
                ++reading_.line;
            }
            bytes.remove_prefix(end);
        }
    }

    void finish() {
        if (!reading_.failure && csv_fini(&parser_, onCell, onRecordEnd, &reading_) != 0) {
            reading_.fail(CsvError(reading_.line, quotingError()));
        }
    }

private:
    void parse(std::string_view part) {
        if (csv_parse(&parser_, part.data(), part.size(), onCell, onRecordEnd, &reading_) !=
                part.size() &&
            !reading_.failure) {
            reading_.fail(CsvError(reading_.line, quotingError()));
        }
        if (!reading_.failure && csv_get_buffer_size(&parser_) > reading_.limits.cellBytes) {
            reading_.fail(CsvError(reading_.line, "a cell longer than " +
                                                      std::to_string(reading_.limits.cellBytes) +
                                                      " bytes"));
        }
    }

    std::string quotingError() {
        const int error = csv_error(&parser_);
        if (error == CSV_EPARSE) {
            return "malformed quoting (a quote inside an unquoted cell, text after a closing "
                   "quote, or a quote never closed)";
        }
        return csv_strerror(error);
    }

    Reading &reading_;
    csv_parser parser_{};
};

} // namespace

struct CsvReader::State {
    State(const CsvLimits &givenLimits, CsvRecordHandler handler)
        : limits(givenLimits), each(std::move(handler)), reading{limits, each} {}

    CsvLimits limits; // the reader's own: a handler given as a lambda is a temporary
    CsvRecordHandler each;
    Reading reading;
    Feeder feeder{reading};
    std::string start; // the first bytes, until they tell whether a byte-order mark leads
    bool started = false;

    void rethrow() const {
        if (reading.failure) {
            std::rethrow_exception(reading.failure);
        }
    }
};

CsvReader::CsvReader(const CsvLimits &limits, CsvRecordHandler each)
    : state_(std::make_unique<State>(limits, std::move(each))) {}

CsvReader::~CsvReader() = default;

void CsvReader::feed(std::string_view bytes) {
    State &state = *state_;
    state.rethrow();
    if (!state.started) {
        const std::size_t take = std::min(bytes.size(), byteOrderMark.size() - state.start.size());
        state.start.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (state.start.size() < byteOrderMark.size() && byteOrderMark.starts_with(state.start)) {
            return;
        }
        state.started = true;
        state.feeder.feed(state.start == byteOrderMark ? std::string_view() : state.start);
    }
    state.feeder.feed(bytes);
    state.rethrow();
}

void CsvReader::handOnly(std::size_t cells) {
    state_->reading.handed = cells;
}

void CsvReader::finish() {
    State &state = *state_;
    state.rethrow();
    if (!state.started) {
        state.started = true;
        state.feeder.feed(state.start);
    }
    state.feeder.finish();
    state.rethrow();
}

void readCsvRecords(int descriptor, const CsvLimits &limits, const CsvRecordHandler &each) {
    CsvReader reader(limits, each);
    if (const int error =
            readBlocks(descriptor, [&](std::string_view bytes) { reader.feed(bytes); })) {
        throw std::system_error(error, std::generic_category(), "reading");
    }
    reader.finish();
}

} // namespace qrvx::batch
