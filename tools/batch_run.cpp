#include "batch_run.hpp"

#include "batch_list.hpp"
#include "contact_sheet.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "ordered_pipeline.hpp"
#include "png_writer.hpp"
#include "progress_line.hpp"
#include "review_page.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <unistd.h>

namespace qrvx::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view pageName = "index.html";
constexpr std::string_view sheetName = "contact-sheet.png";
// The codes on the contact sheet: the smallest built-in face.
constexpr std::string_view labelFontName = "sign-7";
// Rows travel between threads eight at a time, four such units a thread in flight.
constexpr std::size_t rowsAUnit = 8;
constexpr std::size_t unitsInFlight = 4;

struct RowJob {
    std::uint64_t index = 0;
    ListRow row;
    const std::string *fontError = nullptr; // why the row's fonts did not load
};

struct RowDone {
    std::uint64_t index = 0;
    std::uint64_t line = 0;
    std::string code;
    std::string entry; // its part of the review page
    std::optional<std::string> refusal;
    bool marked = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::array<author::Rgb, 4> palette{};
};

std::string fileName(const std::string &path) {
    return fs::path(path).filename().string();
}

// The sign's pixel values as palette indices, in as few bits as its values need.
author::Bytes signPng(const text::Sign &sign, const std::array<author::Rgb, 4> &palette,
                      std::string_view code) {
    const std::uint8_t highest = sign.values.empty() ? 0 : *std::ranges::max_element(sign.values);
    PngHeader header{sign.width, sign.height, {}, std::string(code)};
    // A few hundred bytes of pixels: zlib's fastest level makes them barely larger, and a small
    // memory level spares page faults and zeroing.
    header.compressionLevel = 1;
    header.memoryLevel = 4;
    header.palette.assign(palette.begin(),
                          palette.begin() + std::clamp<std::size_t>(highest + 1u, 2, 4));
    return indexedPng(header, sign.values);
}

void removeStale(const std::string &path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw Failure(path, "removing what an earlier run made", errno);
    }
}

class Batch {
public:
    Batch(const BatchOptions &options, std::ostream &messages)
        : options_(options), messages_(messages), listName_(fileName(options.list)) {}

    BatchTally run() {
        const Descriptor list(::open(options_.list.c_str(), O_RDONLY | O_CLOEXEC));
        if (list.get() < 0) {
            throw Failure(options_.list, "opening", errno);
        }
        loadCommandLineFonts();
        plan_ = readList([&] { return planList(list.get(), options_.defaults, shelf_); });
        rewind(list.get());
        createDirectory();
        made_.assign(plan_.codes.size(), false);
        OutputInDirectory page(options_.directory, pageName);
        page.write(bytes(reviewPageStart(listName_)));
        makeRows(list.get(), page);
        page.write(bytes(reviewPageEnd(listName_, {tally_.rows, tally_.marked, tally_.refused})));
        page.commit();
        writeSheet();
        // Once for the whole list, instead of an fsync for each file as it is made.
        syncFileSystem(options_.directory);
        return tally_;
    }

private:
    static std::span<const std::uint8_t> bytes(const std::string &text) {
        return {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()};
    }

    std::string path(std::string_view name) const {
        return (fs::path(options_.directory) / name).string();
    }

    template <class Read>
    std::invoke_result_t<Read> readList(Read read) const {
        try {
            return read();
        } catch (const CsvError &error) {
            throw std::runtime_error(options_.list + ":" + error.what());
        } catch (const std::system_error &error) {
            throw Failure(options_.list, "reading", error.code());
        }
    }

    void rewind(int list) const {
        if (::lseek(list, 0, SEEK_SET) != 0) {
            throw Failure(options_.list, "reading it a second time", errno);
        }
    }

    // Fonts every row falls back on: when they fail, no row could be made.
    void loadCommandLineFonts() {
        if (auto error = shelf_.loadFor(options_.defaults)) {
            throw std::runtime_error(*error);
        }
        if (auto error = shelf_.load(std::string(labelFontName), 0)) {
            throw std::runtime_error(*error);
        }
        labelFont_ = &shelf_.find(labelFontName, 0)->front();
    }

    void createDirectory() const {
        std::error_code error;
        fs::create_directories(options_.directory, error);
        if (error) {
            throw Failure(options_.directory, "creating the directory", error);
        }
    }

    void makeRows(int list, OutputInDirectory &page) {
        ProgressLine progress(messages_, options_.progress, plan_.codes.size());
        const unsigned threads = std::max(options_.jobs, 1u);
        OrderedPipeline<RowJob, RowDone> rows(
            threads, threads * unitsInFlight, rowsAUnit, [&](RowJob &job) { return makeRow(job); },
            [&](RowDone &done) { take(done, page, progress); });
        std::uint64_t index = 0;
        readList([&] {
            forEachRow(list, options_.defaults, [&](ListRow &&row) {
                if (index >= plan_.codes.size() || row.code != plan_.codes[index]) {
                    throw std::runtime_error(options_.list + ": changed while it was read");
                }
                const std::string *fontError = nullptr;
                if (!plan_.fontErrors.empty()) {
                    const auto found = plan_.fontErrors.find(fontKey(row.request));
                    fontError = found != plan_.fontErrors.end() ? &found->second : nullptr;
                }
                rows.submit({index++, std::move(row), fontError});
            });
            return 0;
        });
        if (index != plan_.codes.size()) {
            throw std::runtime_error(options_.list + ": changed while it was read");
        }
        rows.finish();
    }

    RowDone makeRow(const RowJob &job) const {
        RowDone done;
        done.index = job.index;
        done.line = job.row.line;
        done.code = job.row.code;
        std::string reason;
        std::optional<MadeSign> made;
        if (job.fontError != nullptr) {
            reason = *job.fontError;
        } else if (auto result = makeSign(job.row.request, shelf_, reason)) {
            made = std::move(*result);
        } else if (reason.empty()) {
            reason = result.error().message();
        }
        done.entry = reviewEntry({listName_, job.row.code, job.row.line, &job.row.request,
                                  made ? &made->sign : nullptr, reason});
        const std::string base = path(job.row.code);
        if (!made) {
            removeStale(base + ".qrvx");
            removeStale(base + ".png");
            done.refusal = std::move(reason);
            return done;
        }
        replaceInDirectory(options_.directory, job.row.code + ".qrvx", made->graphic);
        replaceInDirectory(options_.directory, job.row.code + ".png",
                           signPng(made->sign, made->palette, job.row.code));
        done.marked = markedForALook(made->sign);
        done.width = made->sign.width;
        done.height = made->sign.height;
        done.palette = made->palette;
        return done;
    }

    void take(const RowDone &done, OutputInDirectory &page, ProgressLine &progress) {
        page.write(bytes(done.entry));
        ++tally_.rows;
        if (done.refusal) {
            ++tally_.refused;
            progress.message(options_.list + ":" + std::to_string(done.line) + ": " + done.code +
                             ": " + *done.refusal);
        } else {
            made_[done.index] = true;
            tally_.marked += done.marked ? 1 : 0;
            sheet_.widest = std::max(sheet_.widest, done.width);
            sheet_.tallest = std::max(sheet_.tallest, done.height);
            for (const author::Rgb &colour : done.palette) {
                if (sheet_.colours.size() <= sheetColourLimit) {
                    sheet_.colours.insert(std::uint32_t{colour.red} << 16 |
                                          std::uint32_t{colour.green} << 8 | colour.blue);
                }
            }
        }
        progress.update(tally_.rows, tally_.refused);
    }

    void writeSheet() {
        sheet_.directory = options_.directory;
        sheet_.codes = &plan_.codes;
        sheet_.made = &made_;
        OutputInDirectory file(options_.directory, sheetName);
        writeContactSheet(sheet_, *labelFont_, listName_ + ": contact sheet",
                          std::max(options_.jobs, 1u),
                          [&](std::span<const std::uint8_t> part) { file.write(part); });
        file.commit();
    }

    const BatchOptions &options_;
    std::ostream &messages_;
    std::string listName_;
    Shelf shelf_;
    const text::Font *labelFont_ = nullptr;
    ListPlan plan_;
    std::vector<bool> made_;
    SheetContents sheet_;
    BatchTally tally_;
};

} // namespace

BatchTally runBatch(const BatchOptions &options, std::ostream &messages) {
    return Batch(options, messages).run();
}

} // namespace qrvx::cli
