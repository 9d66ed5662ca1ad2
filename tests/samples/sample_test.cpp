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

// What each kind of sample is for, as the library sees it.
TEST(CommittedSamplesTest, DecodeAndCarryTheirRouteNumberKeys) {
    for (auto [name, bytes] : committedSamples()) {
        SCOPED_TRACE(name);
        QRVX_Graphic graphic{bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0, 0};

        QRVX_Bitmap bitmap{};
        ASSERT_EQ(QRVX_parse(&graphic, &bitmap), 0);
        EXPECT_EQ(bitmap.height, 16u);
        EXPECT_EQ(bitmap.paletteCount, name.starts_with("cs0-") ? 0u : 4u);
        QRVX_free(&bitmap);

        QRVX_RouteNumberGraphic route{};
        const bool reserved = name.find("-destination-") != std::string::npos;
        const bool routeOnly = name.find("-route-") != std::string::npos;
        const bool programmed = name.find("-programmed-") != std::string::npos;
        EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), reserved || routeOnly ? 1 : 0);
        if (name.find("-vertical-") == std::string::npos) {
            continue;
        }
        ASSERT_EQ(QRVX_getRouteNumberGraphic(&graphic, &route), 0);
        EXPECT_EQ(route.routeCode, routeOnly || programmed ? 1u : 0u);
        if (routeOnly) {
            EXPECT_EQ(route.planes[0].width, static_cast<std::uint32_t>(route.reservedLines));
            EXPECT_EQ(route.planes[0].data,
                      QRVX_getHeaderLength(bytes.data(), graphic.length) + bytes.data());
        }
    }
}

// The sample's image in RGB: palette entries, or monochrome values as white and black.
author::Image imageOf(const Bitmap &bitmap) {
    author::Image image{bitmap.width(), bitmap.height(), {}};
    for (const std::uint8_t value : bitmap.pixels()) {
        const Colour c = bitmap.palette().empty() ? Colour{value * 255u, value * 255u, value * 255u}
                                                  : bitmap.palette()[value];
        image.rgb.insert(image.rgb.end(),
                         {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                          static_cast<std::uint8_t>(c.blue)});
    }
    return image;
}

std::array<author::Rgb, 4> paletteOf(const Bitmap &bitmap) {
    std::array<author::Rgb, 4> palette;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Colour c = bitmap.palette()[i];
        palette[i] = {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                      static_cast<std::uint8_t>(c.blue)};
    }
    return palette;
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

// Each sample, drawn by the library and encoded with its own options and keys, comes out byte
// for byte; a route number alone also from the route-number keys the encoder works out.
TEST(CommittedSamplesTest, ReencodeFromTheirOwnImages) {
    for (const auto &[name, sample] : committedSamples()) {
        SCOPED_TRACE(name);
        const auto bitmap = Bitmap::decode(Graphic{sample});
        const auto parameters = qrvx::parameters(sample);
        ASSERT_TRUE(bitmap && parameters);
        author::Options options;
        options.colourSystem = parameters->colourSystem;
        options.raster = parameters->rasterDirection == 0 ? author::RasterDirection::vertical
                                                          : author::RasterDirection::horizontal;
        if (!bitmap->palette().empty()) {
            options.palette = paletteOf(*bitmap);
        }
        options.scroll = std::array{author::ScrollMarker::none, author::ScrollMarker::one,
                                    author::ScrollMarker::zero}[bitmap->scrollMode()];
        const std::string keys = furtherKeys(sample);
        options.keys = keys;
        const author::Image image = imageOf(*bitmap);
        EXPECT_EQ(author::encode(image.view(), options).value(), sample);
        if (parameters->routePresent != 0 && (parameters->RL.present || parameters->RR.present)) {
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
