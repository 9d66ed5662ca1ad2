// The sample generator's font; the committed samples as the library reads them, and as the
// authoring library makes them again from their own images.
#include "drawing.hpp"
#include "packing.hpp"

#include "qrvx_author.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qrvx::samples {
namespace {

// A slip in the font table shows as a blank glyph or two characters that look alike.
TEST(FontTest, EveryDigitAndCapitalHasItsOwnGlyph) {
    std::set<std::vector<std::uint8_t>> seen;
    for (const char character : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
        Canvas canvas(5, glyphHeight);
        drawText(canvas, 0, 0, std::string(1, character), 1, 1);
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < glyphHeight; ++y) {
            for (int x = 0; x < 5; ++x) {
                pixels.push_back(canvas.at(x, y));
            }
        }
        EXPECT_NE(std::count(pixels.begin(), pixels.end(), 1), 0) << character;
        EXPECT_TRUE(seen.insert(pixels).second) << character;
    }
    EXPECT_EQ(textWidth("11", 2), 14); // proportional: "1" is three columns wide
    EXPECT_THROW(textWidth("a", 1), std::invalid_argument);
}

// The committed samples by file name.
std::vector<std::pair<std::string, Bytes>> committedSamples() {
    std::vector<std::pair<std::string, Bytes>> samples;
    for (const auto &entry : std::filesystem::directory_iterator(QRVX_SAMPLE_DIR)) {
        if (entry.path().extension() == ".qrvx") {
            std::ifstream file(entry.path(), std::ios::binary);
            samples.emplace_back(entry.path().filename().string(),
                                 Bytes(std::istreambuf_iterator<char>(file), {}));
        }
    }
    EXPECT_GE(samples.size(), 12u);
    return samples;
}

author::Rgb rgbOf(const Colour &c) {
    return {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
            static_cast<std::uint8_t>(c.blue)};
}

// The sample's image in RGB: palette entries, or monochrome values as white and black.
author::Image imageOf(const Bitmap &bitmap) {
    author::Image image{bitmap.width(), bitmap.height(), {}};
    for (const std::uint8_t value : bitmap.pixels()) {
        const auto grey = static_cast<std::uint8_t>(value * 255);
        const author::Rgb c = bitmap.palette().empty() ? author::Rgb{grey, grey, grey}
                                                       : rgbOf(bitmap.palette()[value]);
        image.rgb.insert(image.rgb.end(), {c.red, c.green, c.blue});
    }
    return image;
}

// The sample's keys after line size, colour system and palette.
std::string furtherKeys(const Bytes &graphic) {
    const SectionsView parts = sections(graphic);
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

// Each sample reads as what its name says, and, drawn by the library and encoded with its own
// options and keys, comes out byte for byte; a route number alone also from the route-number keys
// the encoder works out.
TEST(CommittedSamplesTest, ReadAsNamedAndReencodeFromTheirOwnImages) {
    for (const auto &[name, sample] : committedSamples()) {
        SCOPED_TRACE(name);
        const auto bitmap = Bitmap::decode(Graphic{sample});
        const auto parameters = qrvx::parameters(sample);
        ASSERT_TRUE(bitmap && parameters);
        EXPECT_EQ(bitmap->height(), 16u);
        EXPECT_EQ(bitmap->palette().size(), name.starts_with("cs0-") ? 0u : 4u);
        const bool reserved = name.find("-destination-") != std::string::npos;
        const bool routeOnly = name.find("-route-") != std::string::npos;
        const bool programmed = name.find("-programmed-") != std::string::npos;
        EXPECT_EQ(routeNumberProgrammable(Graphic{sample}), reserved || routeOnly);
        if (name.find("-vertical-") != std::string::npos) {
            const auto route = describeRouteNumber(Graphic{sample});
            ASSERT_TRUE(route);
            EXPECT_EQ(route->routeCode, routeOnly || programmed ? 1u : 0u);
        }

        author::Options options;
        options.colourSystem = parameters->colourSystem;
        options.raster = parameters->rasterDirection == 0 ? author::RasterDirection::vertical
                                                          : author::RasterDirection::horizontal;
        if (!bitmap->palette().empty()) {
            options.palette = std::array{rgbOf(bitmap->palette()[0]), rgbOf(bitmap->palette()[1]),
                                         rgbOf(bitmap->palette()[2]), rgbOf(bitmap->palette()[3])};
        }
        options.scroll = std::array{author::ScrollMarker::none, author::ScrollMarker::one,
                                    author::ScrollMarker::zero}[bitmap->scrollMode()];
        const std::string keys = furtherKeys(sample);
        options.keys = keys;
        const author::Image image = imageOf(*bitmap);
        EXPECT_EQ(author::encode(image.view(), options).value(), sample);
        if (routeOnly) {
            options.keys = {};
            options.routeNumber = author::RouteNumber{
                parameters->routeC != 0 ? author::RouteSide::end : author::RouteSide::start,
                parameters->routeA};
            EXPECT_EQ(author::encode(image.view(), options).value(), sample);
        }
    }
}

} // namespace
} // namespace qrvx::samples
