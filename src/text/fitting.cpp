// Candidates are walked in the written order and measured with sums over each wording's
// characters (MeasuredRun); the first that keeps the rules and fits is taken, so the order alone
// decides what wins. Lines that share one font list are set together, in one face and one
// spacing; lines given lists of their own are each set in the first of theirs that fits.
#include "fitting.hpp"

#include "line_breaks.hpp"

#include <algorithm>
#include <array>
#include <tuple>

namespace qrvx::text {
namespace {

// How far a candidate is from fitting. A candidate that fits the rows is closer than one that
// does not, whatever the columns: columns can be cut at the room's end, rows take whole lines.
struct Miss {
    std::int64_t columns = 0;
    std::int64_t rows = 0;

    bool fits() const { return columns <= 0 && rows <= 0; }
    auto key() const { return std::tuple(rows > 0, rows, columns); }
};

// A line of a candidate: characters `span` of wording line `run`.
struct LinePart {
    std::size_t run = 0;
    Span span;
};

std::string quotedLines(const std::vector<FittedLine> &lines) {
    std::string text;
    for (const FittedLine &line : lines) {
        text += (text.empty() ? "\"" : " / \"") + utf8Of(line.characters) + "\"";
    }
    return text;
}

bool sameFonts(const std::vector<Font> &a, const std::vector<Font> &b) {
    return std::ranges::equal(a, b, {}, &Font::name, &Font::name);
}

class Chooser {
public:
    Chooser(const Layout &layout, std::optional<std::int64_t> room) : layout_(layout), room_(room) {
        const auto &first = layout.lines.front().fonts;
        joint_ = std::ranges::all_of(
            layout.lines, [&](const LineOptions &line) { return sameFonts(line.fonts, first); });
    }

    // Whether a candidate of wording fits; the fit is then fit().
    bool tryWording(const Wording &wording) {
        return joint_ ? tryJoint(wording) : tryEachLine(wording);
    }

    bool drewAny() const { return drewAny_; }
    Fit &fit() { return fit_; }
    std::uint32_t measured() const { return measured_; }

    // The closest candidate (for Overflow::clip), or the refusal that names it.
    Result<Fit> closest(const std::vector<CheckedText> &full, std::string *reason) {
        if (layout_.overflow == Overflow::clip) {
            closest_.measured = measured_;
            closest_.fits = false;
            return std::move(closest_);
        }
        return refuse(reason, Errc::doesNotFit, closestText(full));
    }

private:
    std::size_t optionsOf(std::size_t run) const { return std::min(run, layout_.lines.size() - 1); }

    const std::vector<Font> &fontsOf(std::size_t run) const {
        return layout_.lines[optionsOf(run)].fonts;
    }

    std::int64_t columnsLacking(std::int64_t columns) const { return room_ ? columns - *room_ : 0; }

    // The steps of a line set in font `face` of fonts under setting, against the first choice.
    std::vector<FitStep> stepsOf(const Wording &wording, const std::vector<Font> &fonts,
                                 std::size_t face, const Setting &setting, bool broken) const {
        const Setting own = ownSetting(fonts, face, layout_);
        std::vector<FitStep> steps = faceSteps(fonts, face);
        const auto take = [&](bool taken, FitStep step) {
            if (taken) {
                steps.push_back(step);
            }
        };
        take(setting.spacing < own.spacing, FitStep::lessSpacing);
        take(setting.spaceWidth < own.spaceWidth, FitStep::narrowerSpaces);
        take(broken, FitStep::brokenIntoLines);
        take(wording.shortened, FitStep::shortWording);
        take(!wording.abbreviations.empty(), FitStep::abbreviated);
        return steps;
    }

    FittedLine lineOf(const Wording &wording, const MeasuredRun &run, const LinePart &part,
                      const Setting &setting, bool broken) const {
        const std::u32string &text = wording.lines[part.run];
        return {text.substr(part.span.begin, part.span.end - part.span.begin),
                optionsOf(part.run),
                setting,
                run.extent(part.span, setting),
                stepsOf(wording, fontsOf(part.run), setting.font, setting, broken),
                run.inkRows(part.span)};
    }

    Miss missOf(const std::vector<FittedLine> &lines) const {
        std::vector<LineRows> rows;
        for (const FittedLine &line : lines) {
            rows.push_back({fontsOf(line.options)[line.setting.font].capHeight(), line.ink});
        }
        return {columnsLacking(widestOf(lines)),
                rowsLacking(stackRows(rows, layout_.lineGap), layout_)};
    }

    // Whether a candidate short of `columns` can fit or be closer than the closest so far,
    // whatever its rows: one that fits them comes first.
    bool canBeCloser(std::int64_t columns) const {
        return columns <= 0 || !closestMiss_ || closestMiss_->rows > 0 ||
               columns < closestMiss_->columns;
    }

    // Keeps lines as the closest candidate when they miss by less than it.
    void consider(const Wording &wording, std::vector<FittedLine> &&lines, const Miss &miss) {
        if (!closestMiss_ || miss.key() < closestMiss_->key()) {
            closestMiss_ = miss;
            closest_.lines = std::move(lines);
            closest_.abbreviations = wording.abbreviations;
        }
    }

    bool take(const Wording &wording, std::vector<FittedLine> &&lines) {
        fit_.lines = std::move(lines);
        fit_.abbreviations = wording.abbreviations;
        return true;
    }

    // Lines sharing one font list: for each face, fewer lines before more, own spacing and
    // spaces before less, and the best break of those that fit.
    bool tryJoint(const Wording &wording) {
        const std::vector<Font> &fonts = fontsOf(0);
        const std::size_t given = wording.lines.size();
        // Breaks depend on the wording alone, not on the face: found once, split once.
        std::array<std::vector<Split>, 4> splits;
        if (given == 1) {
            const std::vector<Break> breaks = breaksOf(wording.lines[0]);
            for (std::size_t count = 2; count <= 3; ++count) {
                splits[count] = splitsOf(wording.lines[0], breaks, count);
            }
        }
        for (std::size_t face = 0; face < fonts.size(); ++face) {
            std::vector<MeasuredRun> runs;
            for (const std::u32string &line : wording.lines) {
                runs.emplace_back(line, fonts[face]);
            }
            if (!std::ranges::all_of(runs, [&](const MeasuredRun &run) {
                    return drawable(run, fonts[face], layout_);
                })) {
                continue;
            }
            drewAny_ = true;
            splits[given] = givenLines(runs);
            const FaceSettings settings = settingsOf(runs, face);
            for (const std::size_t count : lineCountsOf(given)) {
                if (!splits[count].empty() &&
                    trySettings(wording, runs, settings, splits[count], count > given)) {
                    return true;
                }
            }
        }
        return false;
    }

    // The lines as given, as one split whose parts are whole runs.
    static std::vector<Split> givenLines(const std::vector<MeasuredRun> &runs) {
        Split split;
        split.count = runs.size();
        for (std::size_t i = 0; i < runs.size(); ++i) {
            split.lines[i] = runs[i].whole();
        }
        return {split};
    }

    // Part i of a split: a line of a broken wording, or the wording's line i.
    static LinePart partOf(const Split &split, std::size_t i, bool broken) {
        return {broken ? 0 : i, split.lines[i]};
    }

    // The settings of a face in their order, each keeping the letters of every run apart.
    using FaceSettings = std::vector<Setting>;

    FaceSettings settingsOf(const std::vector<MeasuredRun> &runs, std::size_t face) const {
        const Setting own = ownSetting(fontsOf(0), face, layout_);
        FaceSettings settings;
        for (const std::uint32_t spaceWidth : spaceWidthsToTry(own.spaceWidth)) {
            std::uint32_t least = 0;
            for (const MeasuredRun &run : runs) {
                least = std::max(least, run.leastSpacing(run.whole(), spaceWidth));
            }
            for (const std::uint32_t spacing : spacingsToTry(own.spacing, least)) {
                settings.push_back({face, spacing, spaceWidth});
            }
        }
        return settings;
    }

    bool trySettings(const Wording &wording, const std::vector<MeasuredRun> &runs,
                     const FaceSettings &settings, const std::vector<Split> &splits, bool broken) {
        return std::ranges::any_of(settings, [&](const Setting &setting) {
            return tryBreaks(wording, runs, setting, splits, broken);
        });
    }

    // The breaks in their order of preference, each measured; the first whose lines fit both
    // the room and the rows is taken.
    bool tryBreaks(const Wording &wording, const std::vector<MeasuredRun> &runs,
                   const Setting &setting, const std::vector<Split> &splits, bool broken) {
        std::vector<Measured> &measured = measuredBuffer_;
        measured.clear();
        for (const Split &split : splits) {
            std::int64_t widest = 0;
            for (std::size_t i = 0; i < split.count; ++i) {
                const LinePart part = partOf(split, i, broken);
                widest = std::max(widest, runs[part.run].extent(part.span, setting).width());
            }
            measured.push_back({&split, widest});
            ++measured_;
        }
        std::ranges::sort(measured, {}, [](const Measured &entry) {
            return std::tuple(entry.split->shortLine, entry.split->weakness, entry.widest);
        });
        const std::int64_t capHeight = fontsOf(0)[setting.font].capHeight();
        for (const Measured &entry : measured) {
            if (!canBeCloser(columnsLacking(entry.widest))) {
                continue;
            }
            std::array<LineRows, 3> rows;
            for (std::size_t i = 0; i < entry.split->count; ++i) {
                const LinePart part = partOf(*entry.split, i, broken);
                rows[i] = {capHeight, runs[part.run].inkRows(part.span)};
            }
            const Miss miss{
                columnsLacking(entry.widest),
                rowsLacking(stackRows({rows.data(), entry.split->count}, layout_.lineGap),
                            layout_)};
            if (!miss.fits() && closestMiss_ && !(miss.key() < closestMiss_->key())) {
                continue;
            }
            std::vector<FittedLine> lines;
            for (std::size_t i = 0; i < entry.split->count; ++i) {
                const LinePart part = partOf(*entry.split, i, broken);
                lines.push_back(lineOf(wording, runs[part.run], part, setting, broken));
            }
            if (miss.fits()) {
                return take(wording, std::move(lines));
            }
            consider(wording, std::move(lines), miss);
        }
        return false;
    }

    // Lines with font lists of their own: each in the first face and setting of its list that
    // fits the room, then the stack against the rows.
    bool tryEachLine(const Wording &wording) {
        std::vector<FittedLine> lines;
        for (std::size_t run = 0; run < wording.lines.size(); ++run) {
            auto line = fitAlone(wording, run);
            if (!line) {
                return false;
            }
            lines.push_back(std::move(*line));
        }
        drewAny_ = true;
        const Miss miss = missOf(lines);
        if (miss.fits()) {
            return take(wording, std::move(lines));
        }
        consider(wording, std::move(lines), miss);
        return false;
    }

    // The first setting of line `run` that fits the room, else its narrowest; none when no
    // font of its list draws it.
    std::optional<FittedLine> fitAlone(const Wording &wording, std::size_t run) {
        const std::vector<Font> &fonts = fontsOf(run);
        std::optional<FittedLine> narrowest;
        for (std::size_t face = 0; face < fonts.size(); ++face) {
            const MeasuredRun measured(wording.lines[run], fonts[face]);
            if (!drawable(measured, fonts[face], layout_)) {
                continue;
            }
            const Setting own = ownSetting(fonts, face, layout_);
            for (const std::uint32_t spaceWidth : spaceWidthsToTry(own.spaceWidth)) {
                const std::uint32_t least = measured.leastSpacing(measured.whole(), spaceWidth);
                for (const std::uint32_t spacing : spacingsToTry(own.spacing, least)) {
                    ++measured_;
                    FittedLine line = lineOf(wording, measured, {run, measured.whole()},
                                             {face, spacing, spaceWidth}, false);
                    if (columnsLacking(line.extent.width()) <= 0) {
                        return line;
                    }
                    if (!narrowest || line.extent.width() < narrowest->extent.width()) {
                        narrowest = std::move(line);
                    }
                }
            }
        }
        return narrowest;
    }

    std::string closestText(const std::vector<CheckedText> &full) const {
        std::string what;
        if (full.size() == 1) {
            what = "line 1 (\"" + full[0].utf8 + "\")";
        } else {
            for (const CheckedText &line : full) {
                what += (what.empty() ? "the lines (\"" : " / \"") + line.utf8 + "\"";
            }
            what += ")";
        }
        const FittedLine &first = closest_.lines.front();
        const Font &font = fontsOf(first.options)[first.setting.font];
        std::string text = what + (full.size() == 1 ? " does not fit" : " do not fit") +
                           ": the closest, " + quotedLines(closest_.lines) + " in " + font.name() +
                           ", needs ";
        const Miss &miss = *closestMiss_;
        const std::int64_t widest = widestOf(closest_.lines);
        const std::int64_t height = layout_.height;
        if (miss.columns > 0 && miss.rows > 0) {
            return text + std::to_string(widest) + " columns and " +
                   std::to_string(height + miss.rows) + " rows, has " + std::to_string(*room_) +
                   " and " + std::to_string(height);
        }
        if (miss.columns > 0) {
            return text + std::to_string(widest) + " columns, has " + std::to_string(*room_);
        }
        return text + std::to_string(height + miss.rows) + " rows, has " + std::to_string(height);
    }

    // A split with the columns of its widest line under a setting.
    struct Measured {
        const Split *split;
        std::int64_t widest;
    };

    const Layout &layout_;
    std::optional<std::int64_t> room_;
    std::vector<Measured> measuredBuffer_;
    bool joint_ = true;
    bool drewAny_ = false;
    std::uint32_t measured_ = 0;
    Fit fit_;
    Fit closest_;
    std::optional<Miss> closestMiss_;
};

bool drawsCharacter(const Font &font, char32_t character, const Layout &layout) {
    if (isSpace(character)) {
        return layout.spaceWidth || ownSpaceWidth(font);
    }
    return font.glyph(character) != nullptr;
}

bool drawsAll(const Font &font, std::u32string_view run, const Layout &layout) {
    return std::ranges::all_of(
        run, [&](char32_t character) { return drawsCharacter(font, character, layout); });
}

// The refusal when no font draws a wording: the first line no font of its list draws.
std::error_code noFontDraws(const Layout &layout, const std::vector<CheckedText> &full,
                            std::string *reason) {
    for (std::size_t i = 0; i < full.size(); ++i) {
        const std::vector<Font> &fonts = layout.lines[std::min(i, layout.lines.size() - 1)].fonts;
        if (std::ranges::none_of(fonts, [&](const Font &font) {
                return drawsAll(font, full[i].characters, layout);
            })) {
            return missingCharacters(full[i].characters, fonts, layout,
                                     "line " + std::to_string(i + 1), reason);
        }
    }
    std::u32string all;
    for (const CheckedText &line : full) {
        all += line.characters;
    }
    return missingCharacters(all, layout.lines.front().fonts, layout, "the lines", reason);
}

std::vector<std::u32string> charactersOf(const std::vector<CheckedText> &texts) {
    std::vector<std::u32string> lines;
    for (const CheckedText &text : texts) {
        lines.push_back(text.characters);
    }
    return lines;
}

} // namespace

bool drawable(const MeasuredRun &run, const Font &font, const Layout &layout) {
    return run.drawsLetters() && (!run.hasSpaces() || layout.spaceWidth || ownSpaceWidth(font));
}

std::vector<FitStep> faceSteps(const std::vector<Font> &fonts, std::size_t face) {
    std::vector<FitStep> steps;
    if (face != 0) {
        steps.push_back(FitStep::nextFont);
    }
    if (fonts[face].condensed() && !fonts.front().condensed()) {
        steps.push_back(FitStep::condensedFace);
    }
    return steps;
}

std::error_code missingCharacters(std::u32string_view run, const std::vector<Font> &fonts,
                                  const Layout &layout, std::string_view what,
                                  std::string *reason) {
    std::vector<std::pair<char32_t, std::string>> missing; // a character, the fonts without it
    for (const Font &font : fonts) {
        const auto lacking = std::ranges::find_if(
            run, [&](char32_t character) { return !drawsCharacter(font, character, layout); });
        if (lacking == run.end()) {
            continue;
        }
        const auto entry =
            std::ranges::find(missing, *lacking, &decltype(missing)::value_type::first);
        if (entry != missing.end()) {
            entry->second += ", " + font.name();
        } else {
            missing.emplace_back(*lacking, font.name());
        }
    }
    std::string text(what);
    for (std::size_t i = 0; i < missing.size(); ++i) {
        text += (i == 0 ? ": " : "; ") + characterName(missing[i].first) + " is not in " +
                missing[i].second;
    }
    return refuse(reason, Errc::missingCharacter, text);
}

std::int64_t widestOf(std::span<const FittedLine> lines) {
    std::int64_t widest = 0;
    for (const FittedLine &line : lines) {
        widest = std::max(widest, line.extent.width());
    }
    return widest;
}

Setting ownSetting(const std::vector<Font> &fonts, std::size_t font, const Layout &layout) {
    return {font, layout.spacing.value_or(fonts[font].naturalSpacing()),
            layout.spaceWidth.value_or(ownSpaceWidth(fonts[font]).value_or(0))};
}

Result<Fit> fitLines(const Layout &layout, const std::vector<CheckedText> &full,
                     const std::vector<CheckedText> &shortWording, std::optional<std::int64_t> room,
                     std::string *reason) {
    Chooser chooser(layout, room);
    Wordings wordings(charactersOf(full), charactersOf(shortWording), layout.abbreviations);
    while (const auto wording = wordings.next()) {
        if (chooser.tryWording(*wording)) {
            Fit &fit = chooser.fit();
            fit.measured = chooser.measured();
            return std::move(fit);
        }
    }
    if (!chooser.drewAny()) {
        return noFontDraws(layout, full, reason);
    }
    return chooser.closest(full, reason);
}

} // namespace qrvx::text
