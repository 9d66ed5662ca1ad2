// Every destination of real timetables made into signs at the sizes fleets run, as `qrvx batch
// FEED --sign-set` makes them (a face a size, each with its defaults: the faces of the height,
// the route number beside the text), and every sign read back from its file and measured on its
// graphic against the legibility rules. Prints what was made, what was refused and why, and
// what a reviewer would be asked to look at; fails when a rule is broken or fewer than 99 % of
// a network's destinations become signs at a size.
//
//     qrvx_feed_signs [--pictures DIR] FEED.zip...
//
// --pictures writes DIR/hardest-WxH.png: the signs that took the most candidates to fit.
#include "qrvx_batch.hpp"
#include "support/png_picture.hpp"
#include "support/sign_rules.hpp"
#include "support/temp_dir.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <thread>

namespace {

using namespace qrvx;

struct Size {
    std::uint32_t width;
    std::uint32_t height;

    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
};
constexpr Size sizes[] = {{128, 16}, {160, 19}, {200, 24}};
constexpr double leastShareMade = 0.99;
constexpr std::size_t hardestShown = 8;

struct Tally {
    std::uint64_t destinations = 0;
    std::uint64_t made = 0;
    std::uint64_t marked = 0;
    std::map<text::FitStep, std::uint64_t> steps; // signs with the step on any line
    std::map<std::string, std::uint64_t> refusals;
    std::vector<std::string> ruleBreaks;
};

// A made sign worth a picture: how many candidates fitting weighed.
struct Hard {
    std::uint32_t candidates;
    text::Sign sign;
};

std::string networkOf(const std::string &path) {
    return std::filesystem::path(path).stem().string();
}

// The first clause of a refusal: what kind of refusal it is.
std::string kindOf(const std::string &reason) {
    return reason.substr(0, reason.find(": "));
}

batch::SignSet sizesAsFaces() {
    batch::SignSet set;
    for (const Size size : sizes) {
        batch::Face face;
        face.name = size.name();
        face.width = size.width;
        face.height = size.height;
        set.faces.push_back(face);
    }
    return set;
}

std::vector<std::uint8_t> contents(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

class Check : public batch::Observer {
public:
    int run(const std::vector<std::string> &feeds, const std::string &pictures) {
        for (const std::string &feed : feeds) {
            network_ = networkOf(feed);
            batch::RunOptions options;
            options.directory = (scratch_.path() / network_).string();
            options.listName = network_;
            options.signSet = sizesAsFaces();
            options.jobs = std::max(std::thread::hardware_concurrency(), 1u);
            std::string reason;
            if (!batch::run(options, batch::feedRows(feed, {}, {}, {}), *this, &reason)) {
                std::cerr << feed << ": " << reason << '\n';
                return 1;
            }
        }
        print();
        if (!pictures.empty()) {
            drawHardest(pictures);
        }
        return passed() ? 0 : 1;
    }

    void rowDone(const batch::RowOutcome &outcome) override {
        for (const batch::FaceOutcome &face : outcome.faces) {
            Tally &tally = tallies_[{network_, std::string(face.face)}];
            ++tally.destinations;
            if (face.refusal) {
                tally.refusals[kindOf(*face.refusal)] += 1;
                continue;
            }
            ++tally.made;
            count(tally, *face.made, face.marked);
            const auto graphic =
                contents(scratch_.path() / network_ / (std::string(face.sign) + ".qrvx"));
            const auto fontByName = [&](const std::string &name) -> const text::Font & {
                return fontNamed(name);
            };
            for (const std::string &broken :
                 test::signRuleBreaks(*face.made, graphic, fontByName)) {
                tally.ruleBreaks.push_back(outcome.row->code + ": " + broken);
            }
            keepIfHard(std::string(face.face), *face.made);
        }
    }

private:
    const text::Font &fontNamed(const std::string &name) {
        auto found = fonts_.find(name);
        if (found == fonts_.end()) {
            found = fonts_.emplace(name, *text::Font::load(name)).first;
        }
        return found->second;
    }

    static void count(Tally &tally, const text::Sign &sign, bool marked) {
        std::set<text::FitStep> steps;
        for (const text::LineReport &line : sign.report.lines) {
            steps.insert(line.steps.begin(), line.steps.end());
        }
        if (sign.report.route) {
            steps.insert(sign.report.route->steps.begin(), sign.report.route->steps.end());
        }
        for (const text::FitStep step : steps) {
            tally.steps[step] += 1;
        }
        tally.marked += marked ? 1 : 0;
    }

    void keepIfHard(const std::string &size, const text::Sign &sign) {
        std::vector<Hard> &hardest = hardest_[size];
        hardest.push_back({sign.report.candidatesMeasured, sign});
        std::ranges::stable_sort(hardest, std::greater<>(), &Hard::candidates);
        if (hardest.size() > hardestShown) {
            hardest.pop_back();
        }
    }

    void print() const {
        using enum text::FitStep;
        std::printf("%-24s %-7s %9s %7s %7s %9s %7s %6s %6s %8s %6s %6s\n", "network", "size",
                    "made", "refused", "marked", "condensed", "spacing", "spaces", "lines", "short",
                    "abbr", "rules");
        for (const auto &[key, tally] : tallies_) {
            // clang 14 cannot capture a structured binding.
            const auto steps = [&taken = tally.steps](text::FitStep step) {
                const auto found = taken.find(step);
                return found == taken.end() ? 0ul : static_cast<unsigned long>(found->second);
            };
            std::printf("%-24s %-7s %4lu/%-4lu %7lu %7lu %9lu %7lu %6lu %6lu %8lu %6lu %6zu\n",
                        key.first.c_str(), key.second.c_str(),
                        static_cast<unsigned long>(tally.made),
                        static_cast<unsigned long>(tally.destinations),
                        static_cast<unsigned long>(tally.destinations - tally.made),
                        static_cast<unsigned long>(tally.marked), steps(condensedFace),
                        steps(lessSpacing), steps(narrowerSpaces), steps(brokenIntoLines),
                        steps(shortWording), steps(abbreviated), tally.ruleBreaks.size());
        }
        for (const auto &[key, tally] : tallies_) {
            for (const auto &[reason, count] : tally.refusals) {
                std::printf("refused %s %s: %lu x %s\n", key.first.c_str(), key.second.c_str(),
                            static_cast<unsigned long>(count), reason.c_str());
            }
            for (const std::string &broken : tally.ruleBreaks) {
                std::printf("RULE BROKEN %s %s: %s\n", key.first.c_str(), key.second.c_str(),
                            broken.c_str());
            }
        }
    }

    bool passed() const {
        return std::ranges::all_of(tallies_, [](const auto &entry) {
            const Tally &tally = entry.second;
            return tally.ruleBreaks.empty() &&
                   static_cast<double>(tally.made) >= leastShareMade * tally.destinations;
        });
    }

    // The hardest signs of each size one under another, twice their size, amber on black.
    void drawHardest(const std::string &directory) const {
        constexpr std::uint32_t scale = 2, gap = 4;
        const std::array<author::Rgb, 4> amber{
            author::Rgb{0, 0, 0}, {255, 176, 0}, {255, 176, 0}, {255, 176, 0}};
        for (const auto &[size, hardest] : hardest_) {
            test::PngPicture picture;
            for (const Hard &hard : hardest) {
                picture.width = std::max(picture.width, hard.sign.width * scale);
            }
            for (const Hard &hard : hardest) {
                const auto image = text::toImage(hard.sign, amber);
                for (std::uint32_t y = 0; y < hard.sign.height * scale; ++y) {
                    addRow(picture, [&](std::uint32_t x) -> const std::uint8_t * {
                        return x < hard.sign.width * scale
                                   ? &image->rgb[3 * ((y / scale) * hard.sign.width + x / scale)]
                                   : nullptr;
                    });
                }
                for (std::uint32_t y = 0; y < gap; ++y) {
                    addRow(picture, [](std::uint32_t) -> const std::uint8_t * { return nullptr; });
                }
            }
            const auto bytes = test::pngBytes(picture);
            std::ofstream(directory + "/hardest-" + size + ".png", std::ios::binary)
                .write(reinterpret_cast<const char *>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
    }

    template <class PixelAt>
    static void addRow(test::PngPicture &picture, PixelAt pixelAt) {
        constexpr std::uint8_t grey = 40;
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint8_t *rgb = pixelAt(x);
            for (int channel = 0; channel < 3; ++channel) {
                picture.rows.push_back(rgb != nullptr ? rgb[channel] : grey);
            }
        }
        ++picture.height;
    }

    test::TempDir scratch_;
    std::string network_;
    std::map<std::string, text::Font> fonts_;
    std::map<std::pair<std::string, std::string>, Tally> tallies_;
    std::map<std::string, std::vector<Hard>> hardest_;
};

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> feeds;
    std::string pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--pictures" && i + 1 < argc) {
            pictures = argv[++i];
        } else {
            feeds.push_back(argument);
        }
    }
    if (feeds.empty()) {
        std::puts("no timetables to check: qrvx_feed_signs [--pictures DIR] FEED.zip...");
        return 77; // skipped
    }
    return Check().run(feeds, pictures);
}
