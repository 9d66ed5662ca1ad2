// Graphics made from images, read back by libqrvx: random images decode to the values encoded,
// route numbers program into reserved areas, PNGs of every colour type read as their RGB, and
// refusals name what they refuse. (The samples re-encode to themselves in tests/samples.)
#include "qrvx_author.hpp"
#include "support/png_file.hpp"
#include "support/png_picture.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/wait.h>

namespace qrvx::author {
namespace {

using Palette = std::array<Rgb, 4>;
constexpr Palette colours{{{0, 0, 0}, {255, 176, 0}, {0, 0, 192}, {255, 255, 255}}};
constexpr Palette blackAndWhite{{{0, 0, 0}, {255, 255, 255}, {}, {}}};

Image imageOf(std::uint32_t width, std::uint32_t height, const Bytes &values,
              const Palette &palette) {
    Image image{width, height, {}};
    for (const std::uint8_t value : values) {
        const Rgb c = palette[value];
        image.rgb.insert(image.rgb.end(), {c.red, c.green, c.blue});
    }
    return image;
}

Bytes randomValues(std::mt19937 &random, std::size_t count, unsigned levels) {
    Bytes values(count);
    for (auto &value : values) {
        value = static_cast<std::uint8_t>(random() % levels);
    }
    return values;
}

// The bitmap's pixels, row after row.
Bytes decodedValues(const Bytes &graphic, std::uint32_t &width) {
    const auto bitmap = Bitmap::decode(Graphic{graphic});
    EXPECT_TRUE(bitmap) << bitmap.error().message();
    width = bitmap ? bitmap->width() : 0;
    return bitmap ? Bytes(bitmap->pixels().begin(), bitmap->pixels().end()) : Bytes();
}

Options optionsOf(std::uint32_t colourSystem, RasterDirection raster = RasterDirection::vertical) {
    Options options;
    options.colourSystem = colourSystem;
    options.raster = raster;
    return options;
}

// Every format; sizes that are no whole number of bytes, every value everywhere, every scroll
// marker. A row reads back padded to whole bytes with 0.
TEST(RoundTrip, RandomImagesDecodeToTheValuesEncoded) {
    std::mt19937 random(1);
    for (const std::uint32_t colourSystem : {0u, 1u, 2u}) {
        for (const auto raster : {RasterDirection::vertical, RasterDirection::horizontal}) {
            const Palette &palette = colourSystem == 0 ? blackAndWhite : colours;
            Options options = optionsOf(colourSystem, raster);
            if (colourSystem != 0) {
                options.palette = palette;
            }
            for (int trial = 0; trial < 40; ++trial) {
                const std::uint32_t width = 1 + random() % 19, height = 1 + random() % 19;
                const std::uint32_t padded =
                    raster == RasterDirection::vertical ? width : (width + 7) / 8 * 8;
                const Bytes values =
                    randomValues(random, std::size_t{width} * height, colourSystem == 0 ? 2 : 4);
                Bytes expected;
                for (std::uint32_t i = 0; i < padded * height; ++i) {
                    expected.push_back(i % padded < width ? values[i / padded * width + i % padded]
                                                          : 0);
                }
                options.scroll = static_cast<ScrollMarker>(trial % 3);
                const auto graphic =
                    encode(imageOf(width, height, values, palette).view(), options);
                if (!graphic && graphic.error() == Errc::pixelsLikeScrollMarker) {
                    continue;
                }
                ASSERT_TRUE(graphic) << graphic.error().message();
                std::uint32_t decodedWidth = 0;
                EXPECT_EQ(decodedValues(*graphic, decodedWidth), expected)
                    << "colour system " << colourSystem << ", " << width << " x " << height;
                EXPECT_EQ(decodedWidth, padded);
            }
        }
    }
}

Bytes readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A sign drawn whole equals its destination with a blank reserved area, programmed with a route
// number encoded on its own, and marked.
TEST(RouteNumbers, ProgramIntoAReservedAreaAsTheSignDrawnWhole) {
    std::mt19937 random(7);
    constexpr std::uint32_t width = 20, height = 10, routeWidth = 6;
    for (const std::uint32_t colourSystem : {0u, 1u, 2u}) {
        for (const RouteSide side : {RouteSide::start, RouteSide::end}) {
            const Bytes sign = randomValues(random, width * height, colourSystem == 0 ? 2 : 4);
            const std::uint32_t routeX = side == RouteSide::end ? width - routeWidth : 0;
            Bytes destination = sign, route;
            for (std::uint32_t y = 0; y < height; ++y) {
                for (std::uint32_t x = routeX; x < routeX + routeWidth; ++x) {
                    route.push_back(sign[y * width + x]);
                    destination[y * width + x] = 0;
                }
            }
            const Palette &palette = colourSystem == 0 ? blackAndWhite : colours;
            Options options = optionsOf(colourSystem);
            if (colourSystem != 0) {
                options.palette = palette;
            }
            options.keys = side == RouteSide::end ? "RR6" : "RL6";
            const auto target =
                encode(imageOf(width, height, destination, palette).view(), options);
            options.keys = {};
            options.routeNumber = RouteNumber{side, 2};
            const auto source = encode(imageOf(routeWidth, height, route, palette).view(), options);
            ASSERT_TRUE(target && source);

            auto programmed = programRouteNumber(Graphic{*target}, Graphic{*source});
            ASSERT_TRUE(programmed) << programmed.error().message();
            Bytes result(programmed->bytes().begin(), programmed->bytes().end());
            const auto length = markRouteNumberProgrammed(result);
            ASSERT_TRUE(length);
            result.resize(*length);
            EXPECT_EQ(describeRouteNumber(Graphic{result})->routeCode, 2u);
            EXPECT_FALSE(routeNumberProgrammable(Graphic{result}));
            std::uint32_t decodedWidth = 0;
            EXPECT_EQ(decodedValues(result, decodedWidth), sign);
        }
    }
}

struct Refusal {
    const char *name;
    Image image;
    Options options;
    Errc error;
    const char *reason;
};

Options withKeys(std::string_view keys, std::optional<RouteNumber> route = std::nullopt) {
    Options options;
    options.keys = keys;
    options.routeNumber = route;
    return options;
}

const Image dot = imageOf(1, 1, {1}, blackAndWhite);
const Image fiveColours = imageOf(5, 1, {0, 1, 2, 3, 0}, colours);
const std::string longKeys = "FG1" + std::string(250, ',');

TEST(Encode, RefusesWithTheReason) {
    Image fifth = fiveColours;
    fifth.rgb[12] = 7; // pixel (4, 0) becomes #070000
    Options cs2 = optionsOf(2);
    Options cs2Palette = optionsOf(2);
    cs2Palette.palette = Palette{colours[0], colours[1], colours[3], colours[3]};
    // A column packing to "U" 0x00: pixels 1, 0, 1, 0, ... then a blank column.
    const Image marker = imageOf(2, 8, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, colours);
    const Refusal refusals[] = {
        {"empty", Image{0, 3, {}}, {}, Errc::emptyImage, "0 x 3"},
        {"line size", Image{1, 0x80000000u, {}}, {}, Errc::imageTooLarge, "1 x 2147483648"},
        {"pixel count", Image{0x10000, 0x10000, {}}, {}, Errc::imageTooLarge, "65536 x 65536"},
        {"rgb size", Image{2, 1, {1, 2, 3}}, {}, Errc::invalidImage, "3 bytes for 2 x 1"},
        {"fifth colour", fifth, cs2, Errc::tooManyColours, "pixel (4, 0) #070000"},
        {"outside palette", fiveColours, cs2Palette, Errc::colourNotInPalette,
         "pixel (2, 0) #0000C0"},
        {"unknown key", dot, withKeys("RL2,XX1"), Errc::unreadableKey, "'XX1'"},
        {"malformed value", dot, withKeys("FG5a"), Errc::unreadableKey, "'FG5a'"},
        {"short route", dot, withKeys("@RP1/2"), Errc::unreadableKey, "'@RP1/2'"},
        {"refused key", dot, withKeys("ZJSON"), Errc::unreadableKey, "'ZJSON'"},
        {"colour system", dot, withKeys("CS2"), Errc::contradictingKey, "'CS2'"},
        {"raster", dot, withKeys("HE"), Errc::contradictingKey, "'HE'"},
        {"line size key", dot, withKeys("VE"), Errc::contradictingKey, "'VE'"},
        {"palette key", dot, withKeys("PA1"), Errc::contradictingKey, "'PA1'"},
        {"route key", dot, withKeys("RL1", RouteNumber{}), Errc::contradictingKey, "'RL1'"},
        {"route code", dot, withKeys("", RouteNumber{RouteSide::end, 4}), Errc::invalidOptions,
         "route code 4"},
        {"long text", dot, withKeys(longKeys), Errc::parameterTextTooLong, "261 bytes"},
        {"scroll marker", marker, {}, Errc::pixelsLikeScrollMarker, "\"U\" 0x00"},
        {"big route", Image{129, 4096, {}}, withKeys("", RouteNumber{}), Errc::routeNumberTooLarge,
         "66048 bytes"},
    };
    for (Refusal refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        if (refusal.image.rgb.empty() && refusal.error == Errc::routeNumberTooLarge) {
            refusal.image.rgb.resize(std::size_t{3} * refusal.image.width * refusal.image.height);
        }
        std::string reason;
        const auto graphic = encode(refusal.image.view(), refusal.options, &reason);
        ASSERT_FALSE(graphic);
        EXPECT_EQ(graphic.error(), refusal.error) << graphic.error().message();
        EXPECT_NE(reason.find(refusal.reason), std::string::npos) << reason;
    }
    // The same images with what they lacked.
    cs2.nearest = true;
    EXPECT_EQ(mapColours(fifth.view(), cs2)->values, (Bytes{0, 1, 2, 3, 0}));
    Options scroll;
    scroll.scroll = ScrollMarker::zero;
    EXPECT_TRUE(encode(marker.view(), scroll));
}

TEST(ColourMapping, ChoosesLitPixelsAndPaletteIndices) {
    const Image grey = imageOf(4, 1, {0, 1, 2, 3}, {{{0, 0, 0}, {90, 90, 90}, {0, 0, 200}, {}}});
    Options options;
    EXPECT_EQ(mapColours(grey.view(), options)->values, (Bytes{0, 1, 1, 0}));
    options.background = {90, 90, 90};
    EXPECT_EQ(mapColours(grey.view(), options)->values, (Bytes{1, 0, 1, 1}));
    options.threshold = 23; // blue 200 is luminance 22
    EXPECT_EQ(mapColours(grey.view(), options)->values, (Bytes{0, 1, 0, 0}));
    // First appearance, black padding; a repeated colour keeps its first index.
    const auto mapped = mapColours(imageOf(3, 1, {2, 1, 2}, colours).view(), optionsOf(1));
    EXPECT_EQ(mapped->values, (Bytes{0, 1, 0}));
    EXPECT_EQ(mapped->palette, (std::vector<Rgb>{colours[2], colours[1], {}, {}}));
}

// A 2 x height PNG of raw samples.
Bytes pngOf(int colourType, int bitDepth, const Bytes &rows, std::uint32_t height = 1) {
    test::PngPicture picture;
    picture.width = 2;
    picture.height = height;
    picture.colourType = colourType;
    picture.bitDepth = bitDepth;
    picture.rows = rows;
    return test::pngBytes(picture);
}

constexpr Rgb see{1, 2, 3}; // what transparent pixels become

TEST(ReadPng, EveryColourTypeAndDepthGivesItsRgb) {
    struct Case {
        const char *name;
        int colourType, bitDepth;
        Bytes row;
        std::array<Rgb, 2> expected;
    };
    const Case cases[] = {
        {"gray 1", PNG_COLOR_TYPE_GRAY, 1, {0x80}, {{{255, 255, 255}, {0, 0, 0}}}},
        {"gray 4", PNG_COLOR_TYPE_GRAY, 4, {0x5F}, {{{85, 85, 85}, {255, 255, 255}}}},
        {"gray 16",
         PNG_COLOR_TYPE_GRAY,
         16,
         {0x12, 0x34, 0xFF, 0xFF},
         {{{0x12, 0x12, 0x12}, {255, 255, 255}}}},
        {"gray tRNS", PNG_COLOR_TYPE_GRAY, 8, {0x40, 0x41}, {{see, {0x41, 0x41, 0x41}}}},
        {"gray alpha",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {100, 128, 100, 127},
         {{{100, 100, 100}, see}}},
        {"rgb 16",
         PNG_COLOR_TYPE_RGB,
         16,
         {1, 9, 2, 9, 3, 9, 4, 0, 5, 0, 6, 0},
         {{{1, 2, 3}, {4, 5, 6}}}},
        {"rgba",
         PNG_COLOR_TYPE_RGB_ALPHA,
         8,
         {10, 20, 30, 0, 40, 50, 60, 255},
         {{see, {40, 50, 60}}}},
        {"palette tRNS", PNG_COLOR_TYPE_PALETTE, 2, {0x40}, {{{6, 5, 4}, see}}},
    };
    for (const Case &c : cases) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(c.name);
            test::PngPicture picture;
            picture.width = 2;
            picture.height = 1;
            picture.colourType = c.colourType;
            picture.bitDepth = c.bitDepth;
            picture.rows = c.row;
            picture.interlaced = interlaced;
            if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
                picture.palette = {{9, 8, 7}, {6, 5, 4}};
                picture.alphas = {0, 255};
            } else if (std::string_view(c.name) == "gray tRNS") {
                picture.transparentGray = 0x40;
            }
            const auto image = readPng(test::pngBytes(picture), see);
            ASSERT_TRUE(image) << image.error().message();
            ASSERT_EQ(image->width, 2u);
            ASSERT_EQ(image->height, 1u);
            const auto &[a, b] = c.expected;
            EXPECT_EQ(image->rgb, (Bytes{a.red, a.green, a.blue, b.red, b.green, b.blue}));
        }
    }
}

// The built tool: encode a PNG, draw the graphic with `qrvx png`, read both back with libpng.
class EncodeCommand : public ::testing::Test {
protected:
    std::string file(const std::string &name, const Bytes &bytes = {}) const {
        const std::string path = directory_.file(name);
        if (!bytes.empty()) {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char *>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        return path;
    }
    // The exit status; stderr in err.
    int run(const std::string &arguments, std::string &err) const {
        const std::string errFile = directory_.file("stderr");
        const int status =
            std::system((std::string(QRVX_CLI) + " " + arguments + " 2>'" + errFile + "'").c_str());
        const Bytes text = readFile(errFile);
        err.assign(text.begin(), text.end());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempDir directory_{"qrvx_encode"};
};

TEST_F(EncodeCommand, DrawsBackTheImageItWasGiven) {
    const Bytes rgb = {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255};
    file("in.png", pngOf(PNG_COLOR_TYPE_RGB, 8, rgb, 2));
    std::string err;
    ASSERT_EQ(run("encode " + file("in.png") + " --colour-system 1 -o " + file("g"), err), 0)
        << err;
    ASSERT_EQ(run("png " + file("g") + " -o " + file("out.png"), err), 0) << err;
    const auto drawn = test::readPng(file("out.png"));
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->rows, (std::vector<Bytes>{Bytes(rgb.begin(), rgb.begin() + 6),
                                               Bytes(rgb.begin() + 6, rgb.end())}));
}

TEST_F(EncodeCommand, RefusesWithOneLineAndWritesNothing) {
    const std::string two = file("two.png", pngOf(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}));
    // The first column packs to "U" 0x00.
    const std::string marker =
        file("marker.png", pngOf(PNG_COLOR_TYPE_GRAY, 1, {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0}, 8));
    file("text.png", Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g', '!', '!'});
    const Bytes whole = readFile(two);
    file("cut.png", Bytes(whole.begin(), whole.end() - 20));
    const std::tuple<std::string, int, std::string> rows[] = {
        {file("text.png"), 1, "text.png: not a PNG file: no PNG signature"},
        {file("cut.png"), 1, "cut.png: truncated or corrupt PNG: libpng: "},
        {two + " --colour-system 2 --palette '#000000,#010203'", 2, "not four colours"},
        {two + " --colour-system 2 --palette '#000000,#010203,#GG0000,#FFFFFF'", 2,
         "not a colour #RRGGBB: #GG0000"},
        {two + " --colour-system 2 --palette '#000000,#010203,#FF0000,#FFFFFF'", 1,
         "two.png: a colour outside the palette: pixel (1, 0) #040506"},
        {two + " --keys 'RL2,XX'", 1, "a key the library does not read: 'XX'"},
        {two + " --keys CS1", 1, "a key that encoding writes itself: 'CS1'"},
        {two + " --palette '#000000,#010203,#FF0000,#FFFFFF'", 2, "--colour-system 1 or 2"},
        {marker, 1, "which reads as a scroll marker (add one with --scroll 0 or 1)"},
    };
    for (const auto &[arguments, status, message] : rows) {
        std::string err;
        EXPECT_EQ(run("encode " + arguments + " -o " + file("out"), err), status) << arguments;
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(std::filesystem::exists(file("out")));
    }
}

} // namespace
} // namespace qrvx::author
