// A run: the rows planned (their codes checked, every font they name loaded, the contact sheets
// sized), then made on threads and taken in their order into the page, the sheets and the
// observer, so that threads change the speed and never the bytes. A failed row is a value in
// the outcome, not an abort; only what breaks the whole run (an unreadable source, a file that
// cannot be written) ends it.
#include "batch.hpp"
#include "contact_sheet.hpp"
#include "faces.hpp"
#include "ordered_pipeline.hpp"
#include "output_files.hpp"
#include "review_page.hpp"
#include "rows.hpp"
#include "sign_options.hpp"

#include <algorithm>
#include <map>
#include <new>
#include <set>
#include <sstream>

namespace qrvx::batch {
namespace {

constexpr std::string_view pageName = "index.html";
constexpr std::string_view sheetName = "contact-sheet.png";
// The signs the last run made, one a line, so that a re-run can take away those it no longer
// makes.
constexpr std::string_view manifestName = ".qrvx-signs";
// The codes on the contact sheets: the smallest text face with room for its accents.
constexpr std::string_view labelFontName = "sign-7";
// Rows travel between threads eight at a time, four such units a thread in flight.
constexpr std::size_t rowsAUnit = 8;
constexpr std::size_t unitsInFlight = 4;

// Where every output goes: without a sign set the signs lie in the directory itself, with one
// in a folder a face.
class OutputNames {
public:
    explicit OutputNames(bool faces) : faces_(faces) {}

    std::string sign(std::string_view face, std::string_view code) const {
        return faces_ ? std::string(face) + "/" + std::string(code) : std::string(code);
    }
    std::string graphic(std::string_view sign) const { return std::string(sign) + ".qrvx"; }
    std::string picture(std::string_view sign) const { return std::string(sign) + ".png"; }
    std::string sheet(std::string_view face) const {
        return faces_ ? std::string(face) + "/" + std::string(sheetName) : std::string(sheetName);
    }

private:
    bool faces_;
};

// The faces a run makes: a sign set's, or one without a name that is the row's request itself.
std::vector<Face> facesOf(const RunOptions &options) {
    return options.signSet ? options.signSet->faces : std::vector<Face>{Face{}};
}

// The options and lines of a request as one key: requests with equal keys load the same fonts.
std::string requestKey(const SignRequest &request) {
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

// What a face asks of a row: its request, or none (a route face of a row without a route).
std::optional<SignRequest> requestFor(const Row &row, const Face &face, bool signSet) {
    return signSet ? faceRequest(row, face) : std::optional(row.request);
}

// What a face's contact sheet must know, gathered over the rows.
struct FacePlan {
    SheetPlan sheet;
    std::set<std::uint32_t> colours;
    // Route faces: the row that makes each route's sign, by the route's code.
    std::map<std::string, std::uint64_t, std::less<>> routeOwners;
};

struct Plan {
    Codes codes;
    std::vector<FacePlan> faces;
    std::map<std::string, std::string, std::less<>> loadErrors; // by requestKey
    std::set<std::string> lastSigns;                            // of the manifest
};

// A face of a row as a worker made it.
struct FaceMade {
    std::optional<std::string> refusal;
    std::optional<MadeSign> made;
    Change change = Change::unchanged;
    std::string sign;  // its name in the directory; empty when it has none
    bool owner = true; // a route face's sign this row made (not a later row of the route)
};

struct RowJob {
    std::uint64_t index = 0;
    Row row;
};

struct RowDone {
    std::uint64_t index = 0;
    Row row;
    std::vector<FaceMade> faces;
};

class Run {
public:
    Run(const RunOptions &options, const RowSource &rows, Observer &observer)
        : options_(options), rows_(rows), observer_(observer), faces_(facesOf(options)),
          signSet_(options.signSet.has_value()), names_(signSet_) {}

    Summary run() {
        loadDefaults();
        plan();
        directory_.emplace(options_.directory);
        for (const Face &face : faces_) {
            if (signSet_) {
                directory_->makeFolder(face.name);
            }
        }
        readManifest();
        make();
        return summary_;
    }

private:
    void readRows(const RowSink &each) {
        std::string reason;
        if (const std::error_code error = rows_(each, &reason)) {
            throw BatchError(error, reason);
        }
    }

    // Fonts every row falls back on, and a sign of each face: when they fail, no row could be
    // made, and the run is refused before anything is written.
    void loadDefaults() {
        Row row;
        row.request = options_.defaults;
        row.request.lines = {"A"};
        row.request.options.try_emplace("route", std::vector<std::string>{"1"});
        for (const Face &face : faces_) {
            const auto request = requestFor(row, face, signSet_);
            if (auto error = shelf_.loadFor(*request)) {
                throw BatchError(make_error_code(Errc::invalidRequest), *error);
            }
            std::string reason;
            const auto sample = makeSign(*request, shelf_, &reason);
            if (!sample && sample.error() != text::Errc::doesNotFit) {
                throw BatchError(make_error_code(Errc::invalidRequest),
                                 (face.name.empty() ? "" : "face " + face.name + ": ") + reason);
            }
        }
        auto font = text::Font::load(labelFontName);
        if (!font) {
            throw BatchError(font.error(), std::string(labelFontName) + ": loading the font");
        }
        labelFont_ = *font;
    }

    // Pass one: every row read and checked, its fonts loaded, the sheets sized.
    void plan() {
        plan_.faces.resize(faces_.size());
        std::string lastKey;
        readRows([&](Row &&row) {
            if (!plan_.codes.add(row.code, row.line)) {
                throw BatchError(make_error_code(Errc::invalidList),
                                 options_.listName + ": too many rows");
            }
            checkFaceWordings(row);
            for (std::size_t f = 0; f < faces_.size(); ++f) {
                planFace(row, f, lastKey);
            }
        });
        if (plan_.codes.size() == 0) {
            throw BatchError(make_error_code(Errc::invalidList),
                             options_.listName + ": no rows to make");
        }
        if (const auto duplicate = plan_.codes.duplicate()) {
            const auto [row, other] = *duplicate;
            throw BatchError(make_error_code(Errc::invalidList),
                             options_.listName + ":" + std::to_string(plan_.codes.line(row)) +
                                 ": code '" + std::string(plan_.codes[row]) + "' again (line " +
                                 std::to_string(plan_.codes.line(other)) + ")");
        }
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            FacePlan &face = plan_.faces[f];
            face.sheet.colours.assign(face.colours.begin(), face.colours.end());
            face.sheet.title = options_.listName + ": contact sheet" +
                               (signSet_ ? ", " + faces_[f].name : std::string());
            if (faces_[f].shows == Shows::route) {
                face.sheet.signs = face.routeOwners.size();
            } else {
                face.sheet.signs = plan_.codes.size();
            }
        }
    }

    void checkFaceWordings(const Row &row) const {
        for (const auto &entry : row.faceWordings) {
            const std::string &face = entry.first;
            if (std::ranges::none_of(faces_, [&](const Face &f) { return f.name == face; }) ||
                !signSet_) {
                throw BatchError(make_error_code(Errc::invalidList),
                                 options_.listName + ":" + std::to_string(row.line) + ": " + face +
                                     ".line1..." + " names no face of the sign set");
            }
        }
    }

    void planFace(const Row &row, std::size_t f, std::string &lastKey) {
        const Face &face = faces_[f];
        FacePlan &facePlan = plan_.faces[f];
        const auto request = requestFor(row, face, signSet_);
        if (!request) {
            return;
        }
        if (const auto route = shownRoute(row, face)) {
            facePlan.routeOwners.try_emplace(routeCode(*route), plan_.codes.size() - 1);
        }
        std::string key = requestKey(*request);
        if (key != lastKey && !plan_.loadErrors.contains(key)) {
            if (auto error = shelf_.loadFor(*request)) {
                plan_.loadErrors.emplace(key, std::move(*error));
            }
        }
        lastKey = std::move(key);
        SignSettings settings;
        if (!readSettings(*request, settings)) {
            for (const author::Rgb &colour : text::palette(settings.encoding)) {
                if (facePlan.colours.size() <= sheetColourLimit) {
                    facePlan.colours.insert(rgbWord(colour));
                }
            }
            measure(*request, settings, facePlan.sheet);
        }
    }

    // The largest sign of a face: its size, or, for a row that lets its text set the width, the
    // width of its sign.
    void measure(const SignRequest &request, const SignSettings &settings, SheetPlan &sheet) {
        sheet.tallest = std::max(sheet.tallest, settings.layout.height);
        if (settings.layout.width) {
            sheet.widest = std::max(sheet.widest, *settings.layout.width);
        } else if (const auto made = makeSign(request, shelf_)) {
            sheet.widest = std::max(sheet.widest, made->sign.width);
        }
    }

    void readManifest() {
        const std::vector<std::uint8_t> bytes = directory_->read(manifestName);
        std::istringstream lines(std::string(bytes.begin(), bytes.end()));
        for (std::string line; std::getline(lines, line);) {
            // Only a name a run makes: a line such as "../x" must not take away a file elsewhere.
            if (validSignName(line)) {
                plan_.lastSigns.insert(line);
            }
        }
    }

    // Pass two: the rows made in order, taken into the page, the sheets and the observer.
    void make() {
        std::vector<PageFace> pageFaces;
        for (const Face &face : faces_) {
            pageFaces.push_back({face.name, face.width, face.height});
        }
        if (!signSet_) {
            pageFaces.front().width = plan_.faces.front().sheet.widest;
            pageFaces.front().height = plan_.faces.front().sheet.tallest;
        }
        ReviewPage page(options_.listName, pageFaces);
        StreamedOutput pageFile(*directory_, pageName);
        pageFile.write(page.start());
        std::vector<std::unique_ptr<StreamedOutput>> sheetFiles;
        std::vector<std::unique_ptr<ContactSheet>> sheets;
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            auto &file = sheetFiles.emplace_back(
                std::make_unique<StreamedOutput>(*directory_, names_.sheet(faces_[f].name)));
            sheets.push_back(std::make_unique<ContactSheet>(
                plan_.faces[f].sheet, *labelFont_,
                [out = file.get()](std::span<const std::uint8_t> part) { out->write(part); }));
        }
        const unsigned threads = std::max(options_.jobs, 1u);
        OrderedPipeline<RowJob, RowDone> rows(
            threads, threads * unitsInFlight, rowsAUnit, [&](RowJob &job) { return makeRow(job); },
            [&](RowDone &done) { take(done, page, pageFile, sheets); });
        std::uint64_t index = 0;
        readRows([&](Row &&row) {
            if (index >= plan_.codes.size() || row.code != plan_.codes[index]) {
                throw BatchError(make_error_code(Errc::invalidList),
                                 options_.listName + ": changed while it was read");
            }
            rows.submit({index++, std::move(row)});
        });
        if (index != plan_.codes.size()) {
            throw BatchError(make_error_code(Errc::invalidList),
                             options_.listName + ": changed while it was read");
        }
        rows.finish();
        const std::vector<std::string> removed = removeLastRunsSigns();
        pageFile.write(page.end(summary_, removed));
        pageFile.commit();
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            sheets[f]->finish();
            sheetFiles[f]->commit();
        }
        writeManifest();
        directory_->sync();
    }

    // On a worker thread: every face of the row made and written.
    RowDone makeRow(RowJob &job) const {
        RowDone done{job.index, std::move(job.row), {}};
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            done.faces.push_back(makeFace(done.row, job.index, f));
        }
        return done;
    }

    FaceMade makeFace(const Row &row, std::uint64_t index, std::size_t f) const {
        const Face &face = faces_[f];
        FaceMade made;
        const auto request = requestFor(row, face, signSet_);
        if (!request) {
            return made; // a route face of a row without a route: no sign
        }
        const auto route = shownRoute(row, face);
        const std::string code = route ? routeCode(*route) : row.code;
        made.sign = names_.sign(face.name, code);
        if (route) {
            const auto &owners = plan_.faces[f].routeOwners;
            made.owner = owners.find(code)->second == index;
            if (!made.owner) {
                return made; // drawn by the first row of the route
            }
        }
        const auto loadError = plan_.loadErrors.empty()
                                   ? plan_.loadErrors.end()
                                   : plan_.loadErrors.find(requestKey(*request));
        std::string reason;
        std::optional<MadeSign> sign;
        if (loadError != plan_.loadErrors.end()) {
            reason = loadError->second;
        } else if (auto result = makeSign(*request, shelf_, &reason)) {
            sign = std::move(*result);
        } else if (reason.empty()) {
            reason = result.error().message();
        }
        if (!sign) {
            directory_->remove(names_.graphic(made.sign));
            directory_->remove(names_.picture(made.sign));
            made.refusal = std::move(reason);
            return made;
        }
        const Change graphic = directory_->put(names_.graphic(made.sign), sign->graphic);
        const Change picture = directory_->put(names_.picture(made.sign),
                                               signPng(sign->sign, sign->palette, row.code));
        made.change = graphic == Change::added ? Change::added
                      : graphic == Change::unchanged && picture == Change::unchanged
                          ? Change::unchanged
                          : Change::changed;
        made.made = std::move(sign);
        return made;
    }

    // The sign's pixel values as palette indices, in as few bits as its values need.
    static author::Bytes signPng(const text::Sign &sign, const std::array<author::Rgb, 4> &palette,
                                 std::string_view code) {
        const std::uint8_t highest =
            sign.values.empty() ? 0 : *std::ranges::max_element(sign.values);
        PngHeader header{sign.width, sign.height, {}, std::string(code)};
        // A few hundred bytes of pixels: zlib's fastest level makes them barely larger, and a
        // small memory level spares page faults and zeroing.
        header.compressionLevel = 1;
        header.memoryLevel = 4;
        header.palette.assign(palette.begin(),
                              palette.begin() + std::clamp<std::size_t>(highest + 1u, 2, 4));
        return indexedPng(header, sign.values);
    }

    // On the calling thread, in row order.
    void take(RowDone &done, const ReviewPage &page, StreamedOutput &pageFile,
              std::vector<std::unique_ptr<ContactSheet>> &sheets) {
        RowOutcome outcome{done.index, &done.row, {}};
        std::vector<std::string> pictures;
        ++summary_.rows;
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            FaceMade &made = done.faces[f];
            FaceOutcome face{faces_[f].name, made.sign, made.refusal, nullptr, false, made.change};
            pictures.push_back(made.sign.empty() ? std::string() : names_.picture(made.sign));
            if (!made.sign.empty()) {
                madeNow_.insert(made.sign);
            }
            if (!made.owner) {
                face.refusal = routeRefusals_[made.sign];
            } else if (!made.sign.empty()) {
                tally(made, face);
                if (made.refusal) {
                    refusedSigns_.insert(made.sign);
                }
                sheets[f]->add(made.sign.substr(made.sign.rfind('/') + 1),
                               made.made ? &made.made->sign : nullptr,
                               made.made ? made.made->palette : std::array<author::Rgb, 4>{});
                if (faces_[f].shows == Shows::route) {
                    routeRefusals_[made.sign] = made.refusal;
                }
            }
            outcome.faces.push_back(face);
        }
        pageFile.write(page.row(outcome, pictures));
        observer_.rowDone(outcome);
        observer_.progress(summary_.rows, plan_.codes.size());
    }

    void tally(const FaceMade &made, FaceOutcome &face) {
        if (!made.made) {
            ++summary_.refused;
            return;
        }
        face.made = &made.made->sign;
        face.marked = markedForALook(made.made->sign);
        ++summary_.signs;
        summary_.marked += face.marked ? 1 : 0;
        switch (made.change) {
        case Change::added:
            ++summary_.added;
            break;
        case Change::changed:
            ++summary_.changed;
            break;
        case Change::unchanged:
            ++summary_.unchanged;
            break;
        }
    }

    // The signs of the last run that this one did not make, taken away.
    std::vector<std::string> removeLastRunsSigns() {
        std::vector<std::string> removed;
        for (const std::string &sign : plan_.lastSigns) {
            if (refusedNow(sign)) {
                removed.push_back(sign); // its files went when it was refused
            } else if (!madeNow_.contains(sign)) {
                const bool graphic = directory_->remove(names_.graphic(sign));
                const bool picture = directory_->remove(names_.picture(sign));
                if (graphic || picture) {
                    removed.push_back(sign);
                }
            }
        }
        summary_.removed = removed.size();
        return removed;
    }

    bool refusedNow(const std::string &sign) const { return refusedSigns_.contains(sign); }

    void writeManifest() {
        std::string text;
        for (const std::string &sign : madeNow_) {
            if (!refusedNow(sign)) {
                text += sign + "\n";
            }
        }
        directory_->put(manifestName,
                        {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
    }

    const RunOptions &options_;
    const RowSource &rows_;
    Observer &observer_;
    std::vector<Face> faces_;
    bool signSet_;
    OutputNames names_;
    Shelf shelf_;
    std::optional<text::Font> labelFont_;
    Plan plan_;
    std::optional<OutputDirectory> directory_;
    std::map<std::string, std::optional<std::string>, std::less<>> routeRefusals_;
    std::set<std::string, std::less<>> madeNow_;
    std::set<std::string, std::less<>> refusedSigns_;
    Summary summary_;
};

} // namespace

Observer::~Observer() = default;
void Observer::rowDone(const RowOutcome &) {}
void Observer::progress(std::uint64_t, std::uint64_t) {}

Result<Summary> run(const RunOptions &options, const RowSource &rows, Observer &observer,
                    std::string *reason) noexcept {
    const auto refuse = [&](std::error_code error, const std::string &text) {
        if (reason != nullptr) {
            *reason = text;
        }
        return error;
    };
    try {
        return Run(options, rows, observer).run();
    } catch (const BatchError &error) {
        return refuse(error.error(), error.what());
    } catch (const OutputError &error) {
        return refuse(make_error_code(Errc::outputFailed), error.what());
    } catch (const std::bad_alloc &) {
        return refuse(std::make_error_code(std::errc::not_enough_memory), "out of memory");
    } catch (const std::exception &error) {
        return refuse(make_error_code(Errc::outputFailed), error.what());
    }
}

} // namespace qrvx::batch
