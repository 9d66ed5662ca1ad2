// Graphics made from images, read back by libqrvx: random images decode to the values encoded,
// the committed samples encode to themselves, PNGs of every colour type read as their RGB, and
// refusals name what they refuse. (`qrvx encode` is run in tests/cli.)
#include "qrvx_author.hpp"
#include "support/png_picture.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

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
            const unsigned levels = colourSystem == 0 ? 2 : 4;
            Options options = optionsOf(colourSystem, raster);
            options.palette = colourSystem == 0 ? std::nullopt : std::optional(colours);
            for (int trial = 0; trial < 40; ++trial) {
                const std::uint32_t width = 1 + random() % 19, height = 1 + random() % 19;
                const std::uint32_t padded =
                    raster == RasterDirection::vertical ? width : (width + 7) / 8 * 8;
                Bytes values, expected;
                for (std::uint32_t i = 0; i < padded * height; ++i) {
                    const bool inside = i % padded < width;
                    expected.push_back(inside ? static_cast<std::uint8_t>(random() % levels) : 0);
                    if (inside) {
                        values.push_back(expected.back());
                    }
                }
                options.scroll = static_cast<ScrollMarker>(trial % 3);
                const auto graphic =
                    encode(imageOf(width, height, values, palette).view(), options);
                if (!graphic && graphic.error() == Errc::pixelsLikeScrollMarker &&
                    options.scroll == ScrollMarker::none) {
                    continue;
                }
                ASSERT_TRUE(graphic) << graphic.error().message();
                // Values given as they are encode to the same bytes as the colours they map to.
                EXPECT_EQ(*encodeValues({width, height, values}, options), *graphic);
                const auto bitmap = Bitmap::decode(Graphic{*graphic});
                ASSERT_TRUE(bitmap) << bitmap.error().message();
                EXPECT_EQ(Bytes(bitmap->pixels().begin(), bitmap->pixels().end()), expected)
                    << "colour system " << colourSystem << ", " << width << " x " << height;
            }
        }
    }
}

// The sample's keys after line size, colour system and palette.
std::string furtherKeys(const Bytes &graphic) {
    const SectionsView parts = sections(graphic).value();
    std::istringstream text(
        std::string(parts.parameterBlock.begin() + 3, parts.parameterBlock.end() - 1));
    std::string keys;
    for (std::string token; std::getline(text, token, ',');) {
        if (token.find_first_of("VHCP") != 0) {
            keys += (keys.empty() ? "" : ",") + token;
        }
    }
    return keys;
}

// Each committed sample reads as its name says; drawn by the library and encoded with its own
// options and keys, it comes out byte for byte, a route number alone also from the route-number
// keys the encoder works out.
TEST(CommittedSamples, ReadAsNamedAndReencodeFromTheirOwnImages) {
    int count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(QRVX_SAMPLE_DIR)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".qrvx")) {
            continue;
        }
        SCOPED_TRACE(name);
        ++count;
        std::ifstream file(entry.path(), std::ios::binary);
        const Bytes sample(std::istreambuf_iterator<char>(file), {});
        const auto bitmap = Bitmap::decode(Graphic{sample});
        const auto parameters = qrvx::parameters(sample);
        ASSERT_TRUE(bitmap && parameters);
        EXPECT_EQ(bitmap->palette().size(), name.starts_with("cs0-") ? 0u : 4u);
        const bool routeOnly = name.find("-route-") != std::string::npos;
        EXPECT_EQ(routeNumberProgrammable(Graphic{sample}),
                  routeOnly || name.find("-destination-") != std::string::npos);
        if (name.find("-vertical-") != std::string::npos) {
            EXPECT_EQ(describeRouteNumber(Graphic{sample})->routeCode,
                      routeOnly || name.find("-programmed-") != std::string::npos ? 1u : 0u);
        }
        Options options = optionsOf(parameters->colourSystem, parameters->rasterDirection == 0
                                                                  ? RasterDirection::vertical
                                                                  : RasterDirection::horizontal);
        Palette palette = blackAndWhite;
        if (!bitmap->palette().empty()) {
            for (std::size_t i = 0; i < palette.size(); ++i) {
                const Colour c = bitmap->palette()[i];
                palette[i] = {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                              static_cast<std::uint8_t>(c.blue)};
            }
            options.palette = palette;
        }
        options.scroll = std::array{ScrollMarker::none, ScrollMarker::one,
                                    ScrollMarker::zero}[bitmap->scrollMode()];
        const std::string keys = furtherKeys(sample);
        options.keys = keys;
        const Image image =
            imageOf(bitmap->width(), bitmap->height(),
                    Bytes(bitmap->pixels().begin(), bitmap->pixels().end()), palette);
        EXPECT_EQ(encode(image.view(), options).value(), sample);
        if (routeOnly) {
            options.keys = {};
            options.routeNumber = RouteNumber{
                parameters->routeC != 0 ? RouteSide::end : RouteSide::start, parameters->routeA};
            EXPECT_EQ(encode(image.view(), options).value(), sample);
        }
    }
    EXPECT_GE(count, 12);
}

Options withKeys(std::string_view keys, std::optional<RouteNumber> route = std::nullopt) {
    Options options;
    options.keys = keys;
    options.routeNumber = route;
    return options;
}

TEST(Encode, RefusesWithTheReason) {
    const Image dot = imageOf(1, 1, {1}, blackAndWhite);
    const Image fiveColours = imageOf(5, 1, {0, 1, 2, 3, 0}, colours);
    Image fifth = fiveColours;
    fifth.rgb[12] = 7; // pixel (4, 0) becomes #070000
    Options cs2 = optionsOf(2), cs2Palette = optionsOf(2);
    cs2Palette.palette = Palette{colours[0], colours[1], colours[3], colours[3]};
    // A column packing to "U" 0x00: pixels 1, 0, 1, 0, ... then a blank column.
    const Image marker = imageOf(2, 8, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, colours);
    const Image bigRoute{129, 4096, Bytes(std::size_t{3} * 129 * 4096)};
    const std::string longKeys = "FG1" + std::string(250, ',');
    const struct {
        Image image;
        Options options;
        Errc error;
        const char *reason;
    } refusals[] = {
        {Image{0, 3, {}}, {}, Errc::emptyImage, "0 x 3"},
        {Image{1, 0x80000000u, {}}, {}, Errc::imageTooLarge, "1 x 2147483648"},
        {Image{0x10000, 0x10000, {}}, {}, Errc::imageTooLarge, "65536 x 65536"},
        {Image{2, 1, {1, 2, 3}}, {}, Errc::invalidImage, "3 bytes for 2 x 1"},
        {fifth, cs2, Errc::tooManyColours, "pixel (4, 0) #070000"},
        {fiveColours, cs2Palette, Errc::colourNotInPalette, "pixel (2, 0) #0000C0"},
        {dot, withKeys("RL2,XX1"), Errc::unreadableKey, "'XX1'"},
        {dot, withKeys("FG5a"), Errc::unreadableKey, "'FG5a'"},
        {dot, withKeys("@RP1/2"), Errc::unreadableKey, "'@RP1/2'"},
        {dot, withKeys("ZJSON"), Errc::unreadableKey, "'ZJSON'"},
        {dot, withKeys("CS2"), Errc::contradictingKey, "'CS2'"},
        {dot, withKeys("HE"), Errc::contradictingKey, "'HE'"},
        {dot, withKeys("VE"), Errc::contradictingKey, "'VE'"},
        {dot, withKeys("PA1"), Errc::contradictingKey, "'PA1'"},
        {dot, withKeys("RL1", RouteNumber{}), Errc::contradictingKey, "'RL1'"},
        {dot, withKeys("", RouteNumber{RouteSide::end, 4}), Errc::invalidOptions, "route code 4"},
        {dot, withKeys(longKeys), Errc::parameterTextTooLong, "261 bytes"},
        {marker, {}, Errc::pixelsLikeScrollMarker, "\"U\" 0x00"},
        {bigRoute, withKeys("", RouteNumber{}), Errc::routeNumberTooLarge, "66048 bytes"},
    };
    for (const auto &refusal : refusals) {
        std::string reason;
        const auto graphic = encode(refusal.image.view(), refusal.options, &reason);
        ASSERT_FALSE(graphic) << refusal.reason;
        EXPECT_EQ(graphic.error(), refusal.error) << graphic.error().message();
        EXPECT_NE(reason.find(refusal.reason), std::string::npos) << reason;
    }
    const Bytes three{0, 3, 1};
    EXPECT_EQ(encodeValues({3, 1, three}, optionsOf(0)).error(), Errc::invalidImage);
    EXPECT_EQ(encodeValues({3, 1, three}, cs2).error(), Errc::invalidOptions); // no palette
    EXPECT_EQ(encodeValues({2, 1, three}, cs2Palette).error(), Errc::invalidImage);
    cs2.nearest = true; // the nearest of the first four
    EXPECT_EQ(mapColours(fifth.view(), cs2)->values, (Bytes{0, 1, 2, 3, 0}));
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

// A 2 x 1 PNG of each colour type, read with transparent pixels as `see`.
TEST(ReadPng, EveryColourTypeAndDepthGivesItsRgb) {
    constexpr Rgb see{1, 2, 3};
    const struct {
        int colourType, bitDepth;
        Bytes row;
        Bytes expected;
    } cases[] = {
        // clang-format off
        {PNG_COLOR_TYPE_GRAY, 1, {0x80}, {255, 255, 255, 0, 0, 0}},
        {PNG_COLOR_TYPE_GRAY, 4, {0x5F}, {85, 85, 85, 255, 255, 255}},
        {PNG_COLOR_TYPE_GRAY, 16, {0x12, 0x34, 0xFF, 0xFF}, {0x12, 0x12, 0x12, 255, 255, 255}},
        {PNG_COLOR_TYPE_GRAY, 8, {0x40, 0x41}, {1, 2, 3, 0x41, 0x41, 0x41}}, // tRNS 0x40
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 128, 100, 127}, {100, 100, 100, 1, 2, 3}},
        {PNG_COLOR_TYPE_RGB, 16, {1, 9, 2, 9, 3, 9, 4, 0, 5, 0, 6, 0}, {1, 2, 3, 4, 5, 6}},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, {10, 20, 30, 0, 40, 50, 60, 255}, {1, 2, 3, 40, 50, 60}},
        {PNG_COLOR_TYPE_PALETTE, 2, {0x40}, {6, 5, 4, 1, 2, 3}},
        // clang-format on
    };
    for (const auto &c : cases) {
        for (const bool interlaced : {false, true}) {
            test::PngPicture picture{2, 1, c.colourType, c.bitDepth, c.row, {}, {}, {}, interlaced};
            if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
                picture.palette = {{9, 8, 7}, {6, 5, 4}};
                picture.alphas = {0, 255};
            } else if (c.colourType == PNG_COLOR_TYPE_GRAY && c.bitDepth == 8) {
                picture.transparentGray = 0x40;
            }
            const auto image = readPng(test::pngBytes(picture), see);
            ASSERT_TRUE(image) << image.error().message();
            EXPECT_EQ(image->width * 10 + image->height, 21u);
            EXPECT_EQ(image->rgb, c.expected) << c.colourType << " " << c.bitDepth;
        }
    }
}

// The encode fuzz target's kept inputs whose headers promise more than their data keeps: refused
// past a limit at once, else in the row where the data ends (that target runs under a memory limit
// that a buffer sized by the header breaks).
TEST(ReadPng, RefusesWhatTheHeaderPromisesAndTheDataDoesNotKeep) {
    const std::tuple<const char *, Errc, const char *> cases[] = {
        {"60000x60000-grey", Errc::corruptPng, "libpng: Not enough image data, in row 1 of 60000"},
        {"1000000x500-rgb", Errc::corruptPng, "libpng: Not enough image data, in row 1 of 500"},
        {"1000001x16-grey", Errc::imageTooLarge,
         "declares 1000001 x 16 pixels; a PNG is read at most 1000000 pixels a side"},
        {"70000x70000-grey", Errc::imageTooLarge,
         "declares 70000 x 70000 pixels; a graphic holds at most 4294967295 pixels"},
        {"1025x1024-grey-interlaced", Errc::imageTooLarge,
         "1025 x 1024 pixels, interlaced; an interlaced PNG is read at most 1048576 pixels"},
    };
    for (const auto &[name, error, expected] : cases) {
        const std::string file = std::string(QRVX_FUZZ_ENCODE_DIR "/header-promises-") + name;
        std::string reason;
        EXPECT_EQ(readPngFile(file.c_str(), {}, &reason).error(), error) << name;
        EXPECT_NE(reason.find(expected), std::string::npos) << reason;
    }
}

} // namespace
} // namespace qrvx::author
