// Fitting with the built-in faces: the written order of choice, breaks where a sign maker
// breaks, short wordings and abbreviations, and the legibility rules measured on the graphic of
// hard texts at every sign height in service and of each face's worst glyphs stacked.
#include "qrvx_text.hpp"
#include "support/sign_rules.hpp"

#include <gtest/gtest.h>

#include <map>

namespace qrvx::text {
namespace {

const Font &builtIn(const std::string &name) {
    static std::map<std::string, Font> fonts;
    return fonts.try_emplace(name, *Font::load(name)).first->second;
}

std::vector<Font> fontsNamed(const std::vector<std::string_view> &names) {
    std::vector<Font> fonts;
    for (const std::string_view name : names) {
        fonts.push_back(builtIn(std::string(name)));
    }
    return fonts;
}

Layout layoutOf(std::vector<std::string_view> lines, std::vector<Font> fonts,
                std::optional<std::uint32_t> width, std::uint32_t height) {
    Layout layout;
    for (const std::string_view line : lines) {
        layout.lines.push_back({line, fonts});
    }
    layout.width = width;
    layout.height = height;
    return layout;
}

// Columns a text takes in one line of font, margins aside: with the font's own spaces, or with
// the narrowest that fitting may use.
std::uint32_t naturalWidth(std::string_view text, const std::string &font, bool tightest = false) {
    Layout layout = layoutOf({text}, {builtIn(font)}, std::nullopt, 24);
    layout.marginX = 0;
    if (tightest) {
        layout.spaceWidth = (builtIn(font).glyph(U' ')->advance + 1) / 2;
    }
    return compose(layout)->report.lines.at(0).width;
}

std::uint32_t tightestWidth(std::string_view text, const std::string &font) {
    return naturalWidth(text, font, true);
}

std::vector<std::string> linesOf(const Sign &sign) {
    std::vector<std::string> lines;
    for (const LineReport &line : sign.report.lines) {
        lines.push_back(line.text);
    }
    return lines;
}

// A sign made and kept to every rule, as its decoded graphic shows.
void expectLegible(const Sign &sign, const std::string &what) {
    const auto graphic = encode(sign, {});
    ASSERT_TRUE(graphic) << what;
    const auto breaks = test::signRuleBreaks(
        sign, *graphic, [](const std::string &name) -> const Font & { return builtIn(name); });
    EXPECT_TRUE(breaks.empty()) << what << ": " << testing::PrintToString(breaks);
}

const Abbreviations &germanAbbreviations() {
    static const Abbreviations table = *Abbreviations::make(
        std::vector<Abbreviation>{{"-straße", "-str."}, {"Hauptbahnhof", "Hbf"}});
    return table;
}

// Rooms just below what each earlier candidate needs, so that each step of the order is taken.
TEST(TextFitting, ChoosesTheFirstCandidateByTheWrittenOrder) {
    using enum FitStep;
    const std::string twoWords = "Hauptbahnhof Marktplatz";
    const std::string oneWord = "Universitätsklinikum";
    const auto half = naturalWidth("Hauptbahnhof", "sign-6");
    const auto tight = [&](const std::string &font) { return tightestWidth(twoWords, font) - 1; };
    struct Case {
        std::string text;
        std::vector<std::string_view> shortLines;
        std::uint32_t room;
        std::string font;
        std::size_t lines;
        std::vector<FitStep> steps;
    };
    const Case cases[] = {
        {twoWords, {}, naturalWidth(twoWords, "sign-14"), "sign-14", 1, {}},
        {twoWords, {}, naturalWidth(twoWords, "sign-14") - 1, "sign-14", 1, {narrowerSpaces}},
        {twoWords, {}, tight("sign-14"), "sign-14-narrow", 1, {nextFont, condensedFace}},
        {twoWords, {}, tight("sign-14-narrow"), "sign-6", 1, {nextFont}},
        {twoWords, {}, tight("sign-6"), "sign-6", 2, {nextFont, brokenIntoLines}},
        {oneWord,
         {},
         naturalWidth(oneWord, "sign-6") - 1,
         "sign-6-narrow",
         1,
         {nextFont, condensedFace}},
        {twoWords, {}, half - 1, "sign-6-narrow", 2, {nextFont, condensedFace, brokenIntoLines}},
        {twoWords,
         {"Hbf"},
         naturalWidth("Hauptbahnhof", "sign-6-narrow") - 1,
         "sign-14",
         1,
         {shortWording}},
        {"Hansmannstraße",
         {},
         naturalWidth("Hansmannstraße", "sign-6-narrow") - 1,
         "sign-6",
         1,
         {nextFont, abbreviated}},
    };
    const std::vector<Font> fonts = fontsNamed(defaultFontNames(16));
    for (const Case &c : cases) {
        Layout layout = layoutOf({c.text}, fonts, c.room + 2, 16);
        layout.shortLines = c.shortLines;
        layout.abbreviations = germanAbbreviations();
        std::string reason;
        const auto sign = compose(layout, &reason);
        ASSERT_TRUE(sign) << c.text << " in " << c.room << ": " << reason;
        ASSERT_EQ(sign->report.lines.size(), c.lines) << c.text << " in " << c.room;
        for (const LineReport &line : sign->report.lines) {
            EXPECT_EQ(line.font, c.font) << c.text << " in " << c.room;
            EXPECT_EQ(line.steps, c.steps) << c.text << " in " << c.room;
            EXPECT_LE(line.width, line.available);
        }
        EXPECT_GT(sign->report.candidatesMeasured, 0u);
        expectLegible(*sign, c.text);
    }

    std::string reason;
    EXPECT_EQ(compose(layoutOf({oneWord}, fonts, 40, 16), &reason).error(), Errc::doesNotFit);
    EXPECT_EQ(reason, "line 1 (\"" + oneWord + "\") does not fit: the closest, \"" + oneWord +
                          "\" in sign-6-narrow, needs " +
                          std::to_string(naturalWidth(oneWord, "sign-6-narrow")) +
                          " columns, has 38");
}

// Two lines of sign-6 wherever the text breaks, the room no wider than the text's one line.
TEST(TextFitting, BreaksWhereASignMakerBreaks) {
    const struct {
        std::string_view text;
        std::vector<std::string> lines;
    } cases[] = {
        {"Église Sainte-Élisabeth via Bouchette", {"Église Sainte-Élisabeth", "via Bouchette"}},
        {"Schönwalde (HVL), Fliegersiedlung", {"Schönwalde (HVL),", "Fliegersiedlung"}},
        {"Psie Pole (Rondo Lotników Polskich)", {"Psie Pole", "(Rondo Lotników Polskich)"}},
        {"Riverside / MacLaren via Old Chelsea", {"Riverside / MacLaren", "via Old Chelsea"}},
        {"Kiełczów - pętla Gdaka", {"Kiełczów -", "pętla Gdaka"}},
        {"S Potsdam Hauptbahnhof", {"S Potsdam", "Hauptbahnhof"}},
        {"Falkensee/Bahnhof", {"Falkensee/", "Bahnhof"}},
        {"Sainte-Élisabeth", {"Sainte-", "Élisabeth"}},
        {"Hauptbahnhof Nord Süd", {"Hauptbahnhof", "Nord Süd"}},
    };
    for (const auto &c : cases) {
        const std::uint32_t room = tightestWidth(c.text, "sign-6") - 1;
        const auto sign = compose(layoutOf({c.text}, {builtIn("sign-6")}, room + 2, 16));
        ASSERT_TRUE(sign) << c.text;
        EXPECT_EQ(linesOf(*sign), c.lines) << c.text;
    }
}

// Hard texts at every height in service, with a route number, in the default faces.
TEST(TextFitting, HardTextsKeepEveryRuleAtEveryHeight) {
    const struct {
        std::vector<std::string_view> lines;
        std::string_view route;
    } texts[] = {
        {{"Malmö C", "via Triangeln"}, "5"},
        {{"NACHTBUS", "Ærø Færgehavn"}, "N80"},
        {{"ÉGLISE SAINTE-ÉLISABETH", "via Bouchette"}, "931"},
        {{"Église Sainte-Élisabeth via Bouchette Quay"}, "932"},
        {{"POŚWIĘCKA (Ośrodek zdrowia)"}, "129"},
        {{"Hürtgenwald, Vossenack Gymnasium"}, "SB Ü"},
        {{"Štúrova", "Gągoľová Jyžňa"}, "Š"},
        {{"Universitätsklinikum Schleswig-Holstein"}, "46ALT"},
    };
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
        {128, 16}, {160, 19}, {160, 20}, {200, 24}};
    for (const auto &[width, height] : sizes) {
        const std::vector<Font> fonts = fontsNamed(defaultFontNames(height));
        for (const auto &text : texts) {
            Layout layout = layoutOf(text.lines, fonts, width, height);
            layout.route = RouteOptions{text.route, fontsNamed(defaultRouteFontNames(height))};
            std::string reason;
            const auto sign = compose(layout, &reason);
            const std::string what = std::string(text.lines[0]) + " at " + std::to_string(height);
            ASSERT_TRUE(sign) << what << ": " << reason;
            expectLegible(*sign, what);
        }
    }
}

// The character of font whose ink reaches highest, or lowest.
char32_t extremeGlyph(const Font &font, bool highest) {
    std::optional<std::pair<std::int32_t, char32_t>> extreme;
    for (char32_t c = 0x21; c < 0x2100; ++c) {
        const Glyph *glyph = font.glyph(c);
        if (glyph == nullptr || glyph->pixels.empty()) {
            continue;
        }
        const std::int32_t edge =
            highest ? glyph->top : static_cast<std::int32_t>(glyph->rows) - glyph->top;
        if (!extreme || edge > extreme->first) {
            extreme = {edge, c};
        }
    }
    return extreme->second;
}

// Any glyph over any glyph: the face's highest ink under its lowest, on every line; with no gap
// asked between the capitals, the ink still keeps its blank row.
TEST(TextFitting, EachMultiLineFaceStacksItsWorstGlyphs) {
    const struct {
        std::string face;
        std::uint32_t height;
        std::size_t lines;
    } faces[] = {{"sign-6", 16, 2},        {"sign-6-narrow", 16, 2}, {"sign-6", 24, 3},
                 {"sign-8", 19, 2},        {"sign-8-narrow", 19, 2}, {"sign-10", 24, 2},
                 {"sign-10-narrow", 24, 2}};
    for (const auto &f : faces) {
        const Font &font = builtIn(f.face);
        const std::u32string worst{extremeGlyph(font, false), extremeGlyph(font, true)};
        std::string utf8;
        for (const char32_t c : worst) { // the repertoire is below U+0800
            utf8 += c < 0x80 ? std::string(1, static_cast<char>(c))
                             : std::string{static_cast<char>(0xC0 | c >> 6),
                                           static_cast<char>(0x80 | (c & 0x3F))};
        }
        const std::vector<std::string_view> lines(f.lines, utf8);
        Layout layout = layoutOf(lines, {font}, 40, f.height);
        layout.lineGap = 0;
        const auto sign = compose(layout);
        ASSERT_TRUE(sign) << f.face << " " << utf8;
        for (std::size_t i = 0; i + 1 < f.lines; ++i) {
            EXPECT_GE(sign->report.lines[i].blankRowsBelow.value_or(0), 1u) << f.face;
        }
        expectLegible(*sign, f.face);
    }
}

TEST(TextFitting, AbbreviationTablesRefusedByEntry) {
    const struct {
        Abbreviation entry;
        Errc error;
        std::string reason;
    } refusals[] = {
        {{"Stra\xC3", "Str."}, Errc::invalidUtf8, "abbreviation 2: invalid UTF-8 at byte 4"},
        {{"", "x"}, Errc::invalidLayout, "abbreviation 2: empty, or with a space at an end"},
        {{"-platz", "Pl."}, Errc::invalidLayout, "abbreviation 2: a word ending"},
        {{"Hauptbahnhof", "Hb"}, Errc::invalidLayout, "abbreviation 2: \"Hauptbahnhof\" is"},
    };
    for (const auto &refusal : refusals) {
        const std::vector<Abbreviation> entries{{"Hauptbahnhof", "Hbf"}, refusal.entry};
        std::string reason;
        EXPECT_EQ(Abbreviations::make(entries, &reason).error(), refusal.error) << reason;
        EXPECT_EQ(reason.substr(0, refusal.reason.size()), refusal.reason);
    }
}

// Lines with font lists of their own are weighed together: a line no font draws is refused by
// its characters, and the closest candidate keeps every line.
TEST(TextFitting, LinesWithFontsOfTheirOwnWeighedTogether) {
    Layout layout;
    layout.lines = {{"AB", fontsNamed({"sign-14"})}, {"\u4E00\u4E01", fontsNamed({"sign-6"})}};
    layout.width = 100;
    layout.height = 24;
    std::string reason;
    EXPECT_EQ(compose(layout, &reason).error(), Errc::missingCharacter);
    EXPECT_EQ(reason.substr(0, 7), "line 2:");

    layout.lines = {{"ABCDEFGHIJKLMNOP", fontsNamed({"sign-14"})}, {"AB", fontsNamed({"sign-6"})}};
    layout.width = 30;
    layout.overflow = Overflow::clip;
    const auto clipped = compose(layout, &reason);
    ASSERT_TRUE(clipped) << reason;
    EXPECT_EQ(linesOf(*clipped), (std::vector<std::string>{"ABCDEFGHIJKLMNOP", "AB"}));
}

} // namespace
} // namespace qrvx::text
