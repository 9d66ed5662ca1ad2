// Signs from text, read back through libqrvx: the test font's glyphs against its own BDF, pictures
// checked by eye, fitting step by step, text checks, and a route number programmed into a reserve.
#include "qrvx_text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace qrvx::text {
namespace {

using Picture = std::vector<std::string>;

const Font &tiny() {
    static const Font font = *Font::load(QRVX_TEST_FONT);
    return font;
}

const Font &builtIn(const char *name) {
    static std::map<std::string, Font> fonts;
    return fonts.try_emplace(name, *Font::load(name)).first->second;
}

Layout layoutOf(std::string_view text, std::vector<Font> fonts, std::uint32_t width,
                std::uint32_t height) {
    Layout layout;
    layout.lines = {{text, std::move(fonts)}};
    layout.width = width;
    layout.height = height;
    return layout;
}

// Rows of '.' for 0 and the value's digit (or '#' for 1) elsewhere.
Picture pictureOf(std::span<const std::uint8_t> values, std::uint32_t width) {
    Picture rows;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i % width == 0) {
            rows.emplace_back();
        }
        rows.back() += values[i] == 0   ? '.'
                       : values[i] == 1 ? '#'
                                        : static_cast<char>('0' + values[i]);
    }
    return rows;
}

// The sign as libqrvx decodes its graphic.
Picture decoded(const Sign &sign, std::uint32_t colourSystem = 0) {
    author::Options options;
    options.colourSystem = colourSystem;
    const auto graphic = encode(sign, options);
    EXPECT_TRUE(graphic) << graphic.error().message();
    const auto bitmap = Bitmap::decode(Graphic{*graphic});
    EXPECT_TRUE(bitmap);
    return pictureOf(bitmap->pixels(), bitmap->width());
}

// The test font's glyphs as its BDF file draws them, read without FreeType.
struct BdfGlyph {
    int advance = 0, width = 0, height = 0, left = 0, bottom = 0;
    std::vector<std::string> hexRows;
};

std::map<char32_t, BdfGlyph> readBdf(const char *path) {
    std::map<char32_t, BdfGlyph> glyphs;
    std::ifstream file(path);
    std::string line;
    BdfGlyph glyph;
    char32_t code = 0;
    bool bitmap = false;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "ENCODING") {
            unsigned value = 0;
            words >> value;
            code = value;
            glyph = {};
        } else if (key == "DWIDTH") {
            words >> glyph.advance;
        } else if (key == "BBX") {
            words >> glyph.width >> glyph.height >> glyph.left >> glyph.bottom;
        } else if (key == "BITMAP") {
            bitmap = true;
        } else if (key == "ENDCHAR") {
            glyphs[code] = glyph;
            bitmap = false;
        } else if (bitmap) {
            glyph.hexRows.push_back(key);
        }
    }
    return glyphs;
}

// The glyphs of text drawn into rows pen after pen from x on baseline, as the BDF has them.
void drawAsBdf(Picture &rows, std::u32string_view text, int x, int baseline, std::uint32_t spacing,
               char ink) {
    static const auto glyphs = readBdf(QRVX_TEST_FONT);
    for (const char32_t character : text) {
        const BdfGlyph &glyph = glyphs.at(character);
        for (int row = 0; row < glyph.height; ++row) {
            const unsigned bits =
                std::stoul(glyph.hexRows[static_cast<std::size_t>(row)], nullptr, 16);
            const int digits =
                static_cast<int>(glyph.hexRows[static_cast<std::size_t>(row)].size());
            for (int column = 0; column < glyph.width; ++column) {
                if ((bits >> (4 * digits - 1 - column) & 1) != 0) {
                    rows.at(static_cast<std::size_t>(baseline - glyph.bottom - glyph.height + row))
                        .at(static_cast<std::size_t>(x + glyph.left + column)) = ink;
                }
            }
        }
        x += glyph.advance + static_cast<int>(spacing);
    }
}

// Letters are never set closer than one blank column of ink: "I" then "." touch at spacing 0.
TEST(TextFont, GlyphsOfAFontFileDrawnAtTheirAdvancesAsItsBdfHasThem) {
    struct Case {
        std::u32string text;
        std::uint32_t spacing, drawnSpacing, colourSystem;
        std::uint8_t colour;
    };
    const Case cases[] = {{U"HIg", 0, 1, 0, 1},    {U"HIg", 1, 1, 0, 1}, {U"H-I.g", 2, 2, 2, 3},
                          {U"gH I-g", 1, 1, 2, 2}, {U"I", 0, 0, 0, 1},   {U"-- --", 0, 0, 2, 1},
                          {U"-- --", 3, 3, 2, 1}};
    for (const Case &c : cases) {
        std::string utf8(c.text.begin(), c.text.end());
        Layout layout = layoutOf(utf8, {tiny()}, 40, 10);
        layout.lines[0].align = Align::left;
        layout.lines[0].colour = c.colour;
        layout.spacing = c.spacing;
        const auto sign = compose(layout);
        ASSERT_TRUE(sign) << utf8;
        const LineReport &line = sign->report.lines.at(0);
        EXPECT_EQ(line.x, 1);
        EXPECT_EQ(line.spacing, c.drawnSpacing) << utf8;
        const char ink =
            c.colourSystem == 0 || c.colour == 1 ? '#' : static_cast<char>('0' + c.colour);
        Picture expected(10, std::string(40, '.'));
        drawAsBdf(expected, c.text, line.x, line.baseline, c.drawnSpacing, ink);
        EXPECT_EQ(decoded(*sign, c.colourSystem), expected) << utf8 << " spacing " << c.spacing;
    }
    EXPECT_EQ(tiny().capHeight(), 5); // the ink of "H": the font has no CAP_HEIGHT
    EXPECT_EQ(tiny().glyphCount(), 6u);
    EXPECT_EQ(tiny().naturalSpacing(), 0u);
}

TEST(TextLayout, AlignmentMarginsAndReserveToThePixel) {
    Layout centre = layoutOf("HI", {tiny()}, 10, 7);
    centre.spacing = 1;
    Layout right = centre;
    right.lines[0].align = Align::right;
    EXPECT_EQ(decoded(*compose(centre)),
              (Picture{"..........", "..#.#.#...", "..#.#.#...", "..###.#...", "..#.#.#...",
                       "..#.#.#...", ".........."}));
    EXPECT_EQ(decoded(*compose(right)),
              (Picture{"..........", "....#.#.#.", "....#.#.#.", "....###.#.", "....#.#.#.",
                       "....#.#.#.", ".........."}));

    // Middle by the capitals' ink: the descender hangs below the centred box.
    Layout descender = layoutOf("Hg", {tiny()}, 8, 9);
    descender.lines[0].align = Align::left;
    descender.marginX = 0;
    descender.spacing = 1;
    EXPECT_EQ(decoded(*compose(descender)),
              (Picture{"........", "........", "#.#.....", "#.#.....", "###.###.", "#.#.#.#.",
                       "#.#.###.", "......#.", "....###."}));

    // Too wide even at the least spacing that keeps its letters apart: clipped at the room's
    // end, the reserve left empty.
    Layout clipped = layoutOf("HIH", {tiny()}, 12, 7);
    clipped.spacing = 1;
    clipped.reserve = Reserve{Side::end, 4};
    clipped.overflow = Overflow::clip;
    const auto sign = compose(clipped);
    ASSERT_TRUE(sign);
    EXPECT_EQ(decoded(*sign),
              (Picture{"............", ".#.#.#......", ".#.#.#......", ".###.#......",
                       ".#.#.#......", ".#.#.#......", "............"}));
    EXPECT_EQ(sign->report.lines[0].steps, (std::vector{FitStep::clipped}));
    EXPECT_EQ(sign->report.warnings.size(), 1u);
    const auto graphic = encode(*sign, {});
    ASSERT_TRUE(graphic);
    EXPECT_EQ(parameters(*graphic)->RR.value, 4);
}

// Placed by the capitals at the bottom, then moved up while rows are free so that the ink stays
// on the sign, else refused or cut and reported; a break counts only when its ink stays on it.
TEST(TextLayout, InkKeptOnTheSignByMovingElseRefusedOrCut) {
    const std::string hg = "line 1 (\"Hg\") ", below = "2 rows below the sign";
    const std::string in = "\" in " QRVX_TEST_FONT ", needs ";
    const struct {
        std::string_view text;
        std::uint32_t height;
        Overflow overflow;
        std::vector<std::int32_t> baselines; // none: refused
        std::string message;                 // the refusal or the warning
    } cases[] = {
        // clang-format off
        {"Hg", 8, Overflow::refuse, {6}, ""},
        {"Hg", 6, Overflow::refuse, {}, hg + "does not fit: the closest, \"Hg" + in + "7 rows, has 6"},
        {"Hg", 6, Overflow::clip, {6}, hg + "cut: its ink needs " + below},
        {"HI Hg", 14, Overflow::refuse, {5, 12}, ""},
        {"HI Hg", 13, Overflow::refuse, {},
         "line 1 (\"HI Hg\") does not fit: the closest, \"HI Hg" + in + "15 columns, has 8"},
        {"I", 6, Overflow::refuse, {},
         "the route number \"Hg\" needs 7 columns in " QRVX_TEST_FONT " and a gap of 1 beside "
         "the text, and 7 rows; the sign has 8 columns for text and 6 rows"},
        // clang-format on
    };
    for (const auto &c : cases) {
        Layout layout = layoutOf(c.text, {tiny()}, 8, c.height);
        layout.lines[0].align = Align::left;
        layout.marginX = 0;
        layout.verticalAlign = VerticalAlign::bottom;
        layout.overflow = c.overflow;
        if (c.text == "I") { // beside the route number "Hg"
            layout.route = RouteOptions{"Hg", {tiny()}, 1, Side::end, 1};
        }
        std::string reason;
        const auto sign = compose(layout, &reason);
        if (c.baselines.empty()) {
            EXPECT_EQ(sign.error(), Errc::doesNotFit);
            EXPECT_EQ(reason, c.message);
            continue;
        }
        ASSERT_TRUE(sign) << reason;
        Picture expected(c.height + 2, std::string(8, '.'));
        std::vector<std::int32_t> baselines;
        for (const LineReport &line : sign->report.lines) {
            baselines.push_back(line.baseline);
            drawAsBdf(expected, std::u32string(line.text.begin(), line.text.end()), line.x,
                      line.baseline, line.spacing, '#');
            EXPECT_EQ(!line.steps.empty() && line.steps.back() == FitStep::clipped,
                      !c.message.empty());
        }
        expected.resize(c.height);
        EXPECT_EQ(baselines, c.baselines) << c.text;
        EXPECT_EQ(decoded(*sign), expected) << c.text;
        EXPECT_EQ(sign->report.warnings,
                  c.message.empty() ? std::vector<std::string>() : std::vector{c.message});
    }
}

TEST(TextInput, NormalisedValidatedAndEveryCharacterDrawn) {
    const Font &font = builtIn("sign-7");
    EXPECT_EQ(compose(layoutOf("U\u0308BER", {font}, 40, 16))->values,
              compose(layoutOf("\u00DCBER", {font}, 40, 16))->values);
    const struct {
        std::string_view text;
        Errc error;
        std::string reason;
    } refusals[] = {
        {"ABCD\xC3", Errc::invalidUtf8, "line 1: invalid UTF-8 at byte 4"},
        {"A\xED\xA0\x80", Errc::invalidUtf8, "line 1: invalid UTF-8 at byte 1"},
        {"A\nB", Errc::missingCharacter, "line 1: control character U+000A at byte 1"},
        {"A\u4E2D", Errc::missingCharacter,
         "line 1: U+4E2D \"\u4E2D\" is not in sign-7, sign-7-narrow"},
    };
    for (const auto &refusal : refusals) {
        std::string reason;
        const auto sign =
            compose(layoutOf(refusal.text, {font, builtIn("sign-7-narrow")}, 40, 16), &reason);
        EXPECT_EQ(sign.error(), refusal.error) << refusal.reason;
        EXPECT_EQ(reason.substr(0, refusal.reason.size()), refusal.reason);
    }
}

// A sign that reserves the route number's columns, programmed with a route number made from a
// sign of those columns alone, is the sign drawn with its route number. The reserve is the
// route number's width and its gap; the route sign keeps the margin at its far end and aligns
// the number right, so it lands where the direct sign draws it.
TEST(TextRoute, ProgrammedIntoAReserveAsDrawnDirectly) {
    const Font &font = builtIn("sign-7");
    Layout direct = layoutOf("MARKT", {font}, 96, 16);
    direct.route = RouteOptions{"115", {font}, 2, Side::end, 3};
    author::Options options;
    options.colourSystem = 2;
    const auto drawn = compose(direct);
    ASSERT_TRUE(drawn);
    const std::uint32_t routeWidth = drawn->report.route->width;

    Layout reserved = direct;
    reserved.route.reset();
    reserved.reserve = Reserve{Side::end, routeWidth + 3};
    Layout number = layoutOf("115", {font}, routeWidth + 3, 16);
    number.lines[0].colour = 2;
    number.lines[0].align = Align::right;
    const auto target = encode(*compose(reserved), options);
    options.routeNumber = author::RouteNumber{author::RouteSide::end, 1};
    const auto source = encode(*compose(number), options);
    ASSERT_TRUE(target && source);
    const auto programmed = programRouteNumber(Graphic{*target}, Graphic{*source});
    ASSERT_TRUE(programmed) << programmed.error().message();
    const auto bitmap = Bitmap::decode(Graphic{programmed->bytes()});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(pictureOf(bitmap->pixels(), 96), pictureOf(drawn->values, 96));
}

TEST(TextFont, NamesAndTheirRefusals) {
    EXPECT_EQ(builtInFonts().size(), 18u);
    EXPECT_TRUE(builtIn("sign-7").builtIn());
    EXPECT_EQ(builtIn("sign-7").capHeight(), 7);
    const struct {
        std::string fontName;
        std::error_code error;
        std::string reason;
    } refusals[] = {
        {"/no/such.bdf", Errc::fontNotFound, "/no/such.bdf: no such font file"},
        {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", Errc::fontUnreadable,
         "needs a pixel size: /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf@N"},
        {"DejaVu Sans", Errc::fontUnreadable, "needs a pixel size: DejaVu Sans:pixelsize=N"},
        {"No Such Family:pixelsize=12", Errc::fontNotFound, "no font of the family"},
        {QRVX_TEST_FONT "@9", Errc::fontUnreadable, "has no size 9 (its sizes: 8)"},
    };
    for (const auto &refusal : refusals) {
        std::string reason;
        EXPECT_EQ(Font::load(refusal.fontName, &reason).error(), refusal.error) << refusal.fontName;
        EXPECT_NE(reason.find(refusal.reason), std::string::npos) << reason;
    }
    const auto file = Font::load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf@12");
    const auto pattern = Font::load("DejaVu Sans:pixelsize=12");
    if (!file || !pattern) {
        GTEST_SKIP() << "DejaVu Sans is not installed";
    }
    EXPECT_EQ(file->glyph(U'A')->pixels, pattern->glyph(U'A')->pixels);
    EXPECT_EQ(file->pixelSize(), 12u);

    // Without a size: every size whose capitals fit, largest first; fitting takes the largest
    // whose line fits the sign.
    const auto sizes = Font::loadSizes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 16);
    ASSERT_TRUE(sizes);
    ASSERT_GT(sizes->size(), 2u);
    for (std::size_t i = 0; i < sizes->size(); ++i) {
        EXPECT_LE((*sizes)[i].capHeight(), 16);
        EXPECT_EQ((*sizes)[i].name(), "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf@" +
                                          std::to_string((*sizes)[i].pixelSize()));
        EXPECT_TRUE(i == 0 || (*sizes)[i].pixelSize() < (*sizes)[i - 1].pixelSize());
    }
    const Layout layout = layoutOf("Hauptbahnhof", *sizes, 128, 16);
    const auto sign = compose(layout);
    ASSERT_TRUE(sign);
    const auto chosen = std::ranges::find(*sizes, sign->report.lines[0].font, &Font::name);
    ASSERT_NE(chosen, sizes->end());
    for (auto larger = sizes->begin(); larger != chosen; ++larger) {
        EXPECT_FALSE(compose(layoutOf("Hauptbahnhof", {*larger}, 128, 16))) << larger->name();
    }
}

TEST(TextLayout, InvalidLayoutsRefused) {
    const Layout good = layoutOf("HI", {tiny()}, 20, 8);
    const std::function<void(Layout &)> changes[] = {
        [](Layout &l) { l.lines.clear(); },
        [](Layout &l) { l.lines.resize(4, l.lines[0]); },
        [](Layout &l) { l.lines[0].fonts.clear(); },
        [](Layout &l) { l.lines[0].colour = 0; },
        [](Layout &l) { l.width = 0; },
        [](Layout &l) { l.height = 70000; },
        [](Layout &l) { l.marginY = 4; },
        [](Layout &l) {
            l.reserve = Reserve{Side::start, 20};
        },
        [](Layout &l) { l.marginX = 10; },
        [&](Layout &l) {
            l.reserve = Reserve{Side::start, 4};
            l.route = RouteOptions{"I", {tiny()}, 1, Side::start, 1};
        },
    };
    for (const auto &change : changes) {
        Layout layout = good;
        change(layout);
        std::string reason;
        EXPECT_EQ(compose(layout, &reason).error(), Errc::invalidLayout);
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_TRUE(compose(good));
}

} // namespace
} // namespace qrvx::text
