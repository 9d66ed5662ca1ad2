// The sample generator's drawing and packing, checked through the library's own decoder.
#include "drawing.hpp"
#include "packing.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace qrvx::samples {
namespace {

struct RoundTrip {
    const char *name;
    Format format;
    const char *parameters;
};

class PackingTest : public ::testing::TestWithParam<RoundTrip> {};

// A canvas whose size is no whole number of bytes either way, with every value in every place.
TEST_P(PackingTest, DecodesToTheCanvas) {
    const RoundTrip &trip = GetParam();
    Canvas canvas(11, 13);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            canvas.set(x, y, static_cast<std::uint8_t>((x * 7 + y * 3 + x * y) % 4));
        }
    }
    Bytes graphic = makeGraphic(trip.parameters, 0x00, packPixels(canvas, trip.format));
    QRVX_Graphic input{graphic.data(), static_cast<std::uint32_t>(graphic.size()), 0, 0};
    QRVX_Bitmap bitmap{};
    ASSERT_EQ(QRVX_parse(&input, &bitmap), 0);
    EXPECT_EQ(bitmap.scrollMode, 2u);
    // A row is whole bytes wide, so a horizontal image is padded on the right.
    const std::uint32_t width = trip.format.raster == Raster::vertical ? 11 : 16;
    ASSERT_EQ(bitmap.width, width);
    ASSERT_EQ(bitmap.height, 13u);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < static_cast<int>(width); ++x) {
            int expected = x < canvas.width() ? canvas.at(x, y) : 0;
            if (trip.format.colourSystem == 0) {
                expected = expected != 0 ? 1 : 0;
            }
            EXPECT_EQ(bitmap.pixels[y * static_cast<int>(width) + x], expected)
                << "x " << x << ", y " << y;
        }
    }
    QRVX_free(&bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, PackingTest,
    ::testing::Values(RoundTrip{"cs0_vertical", {0, Raster::vertical}, "VE13,CS0"},
                      RoundTrip{"cs1_vertical", {1, Raster::vertical}, "VE13,CS1"},
                      RoundTrip{"cs2_vertical", {2, Raster::vertical}, "VE13,CS2"},
                      RoundTrip{"cs0_horizontal", {0, Raster::horizontal}, "HE11,CS0"},
                      RoundTrip{"cs1_horizontal", {1, Raster::horizontal}, "HE11,CS1"},
                      RoundTrip{"cs2_horizontal", {2, Raster::horizontal}, "HE11,CS2"}),
    [](const ::testing::TestParamInfo<RoundTrip> &param) { return std::string(param.param.name); });

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

Bytes readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// What each kind of sample is for, as the library sees it.
TEST(CommittedSamplesTest, DecodeAndCarryTheirRouteNumberKeys) {
    int count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(QRVX_SAMPLE_DIR)) {
        if (entry.path().extension() != ".qrvx") {
            continue;
        }
        ++count;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        Bytes bytes = readFile(entry.path());
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
    EXPECT_GE(count, 12);
}

} // namespace
} // namespace qrvx::samples
