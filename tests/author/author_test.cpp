// Graphics made from images, read back by libqrvx: random images decode to the values encoded,
// the committed samples re-encode to themselves, route numbers program into reserved areas, and
// PNGs of every colour type read as their RGB.
#include "qrvx_author.hpp"
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
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

struct Format {
    const char *name;
    std::uint32_t colourSystem;
    RasterDirection raster;
};

class RoundTrip : public ::testing::TestWithParam<Format> {};

// Sizes that are no whole number of bytes, every value everywhere, every scroll marker.
TEST_P(RoundTrip, RandomImagesDecodeToTheValuesEncoded) {
    const Format format = GetParam();
    std::mt19937 random(format.colourSystem * 2 + static_cast<unsigned>(format.raster));
    const Palette &palette = format.colourSystem == 0 ? blackAndWhite : colours;
    for (int trial = 0; trial < 40; ++trial) {
        const std::uint32_t width = 1 + random() % 19, height = 1 + random() % 19;
        const Bytes values =
            randomValues(random, std::size_t{width} * height, format.colourSystem == 0 ? 2 : 4);
        Options options = optionsOf(format.colourSystem, format.raster);
        if (format.colourSystem != 0) {
            options.palette = palette;
        }
        options.scroll = static_cast<ScrollMarker>(trial % 3);
        const auto graphic = encode(imageOf(width, height, values, palette).view(), options);
        if (!graphic && graphic.error() == Errc::pixelsLikeScrollMarker) {
            continue;
        }
        ASSERT_TRUE(graphic) << graphic.error().message();
        std::uint32_t decodedWidth = 0;
        const Bytes decoded = decodedValues(*graphic, decodedWidth);
        const bool vertical = format.raster == RasterDirection::vertical;
        ASSERT_EQ(decodedWidth, vertical ? width : (width + 7) / 8 * 8);
        ASSERT_GE(decoded.size(), std::size_t{decodedWidth} * height);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < decodedWidth; ++x) {
                ASSERT_EQ(decoded[y * decodedWidth + x], x < width ? values[y * width + x] : 0)
                    << width << " x " << height << " at " << x << ", " << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, RoundTrip,
                         ::testing::Values(Format{"cs0_vertical", 0, RasterDirection::vertical},
                                           Format{"cs1_vertical", 1, RasterDirection::vertical},
                                           Format{"cs2_vertical", 2, RasterDirection::vertical},
                                           Format{"cs0_horizontal", 0, RasterDirection::horizontal},
                                           Format{"cs1_horizontal", 1, RasterDirection::horizontal},
                                           Format{"cs2_horizontal", 2,
                                                  RasterDirection::horizontal}),
                         [](const auto &test) { return std::string(test.param.name); });

Bytes readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// The sample as drawn, with the palette its parameters give.
Image drawnImage(const Bitmap &bitmap) {
    Image image{bitmap.width(), bitmap.height(), {}};
    for (const std::uint8_t value : bitmap.pixels()) {
        const Colour c = bitmap.palette().empty() ? Colour{value * 255u, value * 255u, value * 255u}
                                                  : bitmap.palette()[value];
        image.rgb.insert(image.rgb.end(),
                         {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                          static_cast<std::uint8_t>(c.blue)});
    }
    return image;
}

// The sample's keys after line size, colour system and palette.
std::string furtherKeys(const Bytes &graphic) {
    const SectionsView parts = sections(graphic);
    std::string text(parts.parameterBlock.begin() + 3, parts.parameterBlock.end() - 1);
    std::string keys;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string token = text.substr(start, end - start);
        if (token.find_first_of("VHCP") != 0) {
            keys += (keys.empty() ? "" : ",") + token;
        }
        start = end + 1;
    }
    return keys;
}

TEST(Samples, ReencodeFromTheirOwnImagesToTheSameBytes) {
    int count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(QRVX_SAMPLE_DIR)) {
        if (entry.path().extension() != ".qrvx") {
            continue;
        }
        ++count;
        SCOPED_TRACE(entry.path().filename().string());
        const Bytes sample = readFile(entry.path());
        const auto bitmap = Bitmap::decode(Graphic{sample});
        const auto parameters = qrvx::parameters(sample);
        ASSERT_TRUE(bitmap && parameters);
        Options options = optionsOf(parameters->colourSystem, parameters->rasterDirection == 0
                                                                  ? RasterDirection::vertical
                                                                  : RasterDirection::horizontal);
        if (!bitmap->palette().empty()) {
            options.palette = Palette{};
            for (std::size_t i = 0; i < 4; ++i) {
                const Colour c = bitmap->palette()[i];
                (*options.palette)[i] = {static_cast<std::uint8_t>(c.red),
                                         static_cast<std::uint8_t>(c.green),
                                         static_cast<std::uint8_t>(c.blue)};
            }
        }
        options.scroll = std::array{ScrollMarker::none, ScrollMarker::one,
                                    ScrollMarker::zero}[bitmap->scrollMode()];
        const std::string keys = furtherKeys(sample);
        options.keys = keys;
        const Image image = drawnImage(*bitmap);
        EXPECT_EQ(encode(image.view(), options).value(), sample);
        // A route number alone is what the route-number keys say of its image.
        if (parameters->routePresent != 0 && (parameters->RL.present || parameters->RR.present)) {
            options.keys = {};
            options.routeNumber = RouteNumber{
                parameters->routeC != 0 ? RouteSide::end : RouteSide::start, parameters->routeA};
            EXPECT_EQ(encode(image.view(), options).value(), sample);
        }
    }
    EXPECT_GE(count, 12);
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

// A PNG in memory through libpng's writer: rows of raw samples as the colour type lays them out.
struct PngSpec {
    const char *name;
    int colourType, bitDepth;
    Bytes row; // the one row of a 2 x 1 image
    std::vector<png_color> palette;
    Bytes transparency; // tRNS: palette alphas, or a gray or RGB sample of 16 bits
    std::array<Rgb, 2> expected;
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto &out = *static_cast<Bytes *>(png_get_io_ptr(png));
    out.insert(out.end(), data, data + length);
}

// spec.row holds all rows of a 2 x height image.
Bytes pngOf(const PngSpec &spec, std::uint32_t height = 1, int interlace = PNG_INTERLACE_NONE) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, 2, height, spec.bitDepth, spec.colourType, interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty()) {
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    }
    png_color_16 sample{0, 0, 0, 0, 0};
    if (spec.colourType == PNG_COLOR_TYPE_GRAY && !spec.transparency.empty()) {
        sample.gray = static_cast<png_uint_16>(spec.transparency[0] << 8 | spec.transparency[1]);
    }
    if (!spec.transparency.empty()) {
        png_set_tRNS(png, info, spec.transparency.data(),
                     static_cast<int>(spec.transparency.size()), &sample);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (std::uint32_t y = 0; y < height; ++y) {
        rows.push_back(const_cast<png_bytep>(spec.row.data()) + y * spec.row.size() / height);
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

constexpr Rgb see{1, 2, 3}; // what transparent pixels become

TEST(ReadPng, EveryColourTypeAndDepthGivesItsRgb) {
    const PngSpec specs[] = {
        {"gray 1", PNG_COLOR_TYPE_GRAY, 1, {0x80}, {}, {}, {{{255, 255, 255}, {0, 0, 0}}}},
        {"gray 4", PNG_COLOR_TYPE_GRAY, 4, {0x5F}, {}, {}, {{{85, 85, 85}, {255, 255, 255}}}},
        {"gray 16",
         PNG_COLOR_TYPE_GRAY,
         16,
         {0x12, 0x34, 0xFF, 0xFF},
         {},
         {},
         {{{0x12, 0x12, 0x12}, {255, 255, 255}}}},
        {"gray tRNS",
         PNG_COLOR_TYPE_GRAY,
         8,
         {0x40, 0x41},
         {},
         {0, 0x40},
         {{see, {0x41, 0x41, 0x41}}}},
        {"gray alpha",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {100, 128, 100, 127},
         {},
         {},
         {{{100, 100, 100}, see}}},
        {"rgb 16",
         PNG_COLOR_TYPE_RGB,
         16,
         {1, 9, 2, 9, 3, 9, 4, 0, 5, 0, 6, 0},
         {},
         {},
         {{{1, 2, 3}, {4, 5, 6}}}},
        {"rgba",
         PNG_COLOR_TYPE_RGB_ALPHA,
         8,
         {10, 20, 30, 0, 40, 50, 60, 255},
         {},
         {},
         {{see, {40, 50, 60}}}},
        {"palette tRNS",
         PNG_COLOR_TYPE_PALETTE,
         2,
         {0x40},
         {{9, 8, 7}, {6, 5, 4}},
         {0, 255},
         {{{6, 5, 4}, see}}},
    };
    for (const PngSpec &spec : specs) {
        for (const int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
            SCOPED_TRACE(spec.name);
            const auto image = readPng(pngOf(spec, 1, interlace), see);
            ASSERT_TRUE(image) << image.error().message();
            ASSERT_EQ(image->width, 2u);
            ASSERT_EQ(image->height, 1u);
            const auto &[a, b] = spec.expected;
            EXPECT_EQ(image->rgb, (Bytes{a.red, a.green, a.blue, b.red, b.green, b.blue}));
        }
    }
}

TEST(ReadPng, RefusesWhatIsNoWholePng) {
    const Bytes good = pngOf({"rgb", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, {}, {}, {}});
    Bytes badCrc = good;
    badCrc[30] ^= 1; // inside the header chunk
    const std::pair<Bytes, Errc> cases[] = {
        {{}, Errc::notPng},
        {Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}, Errc::notPng},
        {Bytes(good.begin(), good.begin() + 4), Errc::corruptPng},
        {Bytes(good.begin(), good.end() - 20), Errc::corruptPng},
        {badCrc, Errc::corruptPng},
    };
    for (const auto &[bytes, error] : cases) {
        std::string reason;
        const auto image = readPng(bytes, {}, &reason);
        ASSERT_FALSE(image) << bytes.size();
        EXPECT_EQ(image.error(), error) << reason;
        EXPECT_FALSE(reason.empty());
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
    file("in.png", pngOf({"rgb", PNG_COLOR_TYPE_RGB, 8, rgb, {}, {}, {}}, 2));
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
    const std::string two =
        file("two.png", pngOf({"rgb", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, {}, {}, {}}));
    // The first column packs to "U" 0x00.
    const std::string marker = file(
        "marker.png",
        pngOf({"gray", PNG_COLOR_TYPE_GRAY, 1, {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0}, {}, {}, {}},
              8));
    file("text.png", Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g', '!', '!'});
    const std::tuple<std::string, int, std::string> rows[] = {
        {file("text.png"), 1, "text.png: not a PNG file: no PNG signature"},
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
