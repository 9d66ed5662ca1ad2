// The sample generator's font, and the committed samples as the library reads them (their
// packing is the library's packed writer, whose round trips are the authoring tests').
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
