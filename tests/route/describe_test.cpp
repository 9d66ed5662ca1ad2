// Route-number description: the two rules, the attributes and the planes of the area.
#include "support/suite.hpp"

#include <sstream>

namespace {

using namespace qrvx::test;

QRVX_RouteNumberGraphic describe(std::optional<std::string_view> text, const ByteVector &pixels,
                                 int result, const std::uint8_t **pixelData = nullptr) {
    static ByteVector bytes;
    bytes = makeGraphic({text, {}, pixels});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out;
    std::memset(&out, 0xAB, sizeof out);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), result) << text.value_or("-");
    EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), out.programmable) << text.value_or("-");
    if (pixelData != nullptr) {
        *pixelData = bytes.data() + bytes.size() - pixels.size();
    }
    return out;
}

// The rules as "programmable atEnd code reservedLines"; each plane that is not all zero as its
// offset into the pixel data (or "-" for none), byte count, bits per pixel, width x height.
std::string area(std::optional<std::string_view> text, std::size_t pixelCount, int result) {
    const std::uint8_t *pixels = nullptr;
    const QRVX_RouteNumberGraphic out =
        describe(text, ByteVector(pixelCount, 0x5A), result, &pixels);
    std::ostringstream line;
    line << int{out.programmable} << " " << out.routeAtEnd << " " << out.routeCode << " "
         << out.reservedLines;
    for (const QRVX_RouteNumberPlane &p : out.planes) {
        if (p.data != nullptr || p.byteCount != 0 || p.width != 0) {
            line << ", " << (p.data != nullptr ? std::to_string(p.data - pixels) : "-") << " "
                 << p.byteCount << " " << p.bitsPerPixel << " " << p.width << "x" << p.height;
        }
    }
    return line.str();
}

TEST(RouteArea, RulesAndPlanes) {
    const struct {
        std::optional<std::string_view> text;
        std::size_t pixelCount;
        int result;
        const char *area;
    } cases[] = {
        // clang-format off
        {{}, 10, 0, "0 0 0 0"},
        {"RR24", 10, 0, "1 1 0 24"},
        {"RL16,RR24", 10, 0, "1 1 0 16"}, // the side from RR, the lines from RL
        {"RL", 10, 0, "1 0 0 0"},
        {"VE16,@RP2/20/1", 100, 0, "0 1 2 0, 80 20 1 10x16"},
        {"VE16,@RP4/20/0", 100, 0, "0 0 0 0, 0 20 1 10x16"}, // code outside 1-3
        {"RR8,@RP1/20/0", 100, 0, "1 0 1 8, 0 20 1 20x8"}, // the route side beats RR
        {"VE10,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 1 4x16"}, // height: the rounded column
        {"VE8,CS1,@RP1/6/1", 40, 0, "0 1 1 0, 14 6 1 6x8, 34 6 1 6x8"},
        {"VE8,CS1,@RP1/6/0", 40, 0, "0 0 1 0, 0 6 1 6x8, 20 6 1 6x8"},
        {"VE8,CS2,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 2 4x8"},
        {"HE16,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 1 16x4"},
        {"HE16,CS1,@RP1/8/0", 16, -EOPNOTSUPP, "0 0 1 0, - 8 1 16x4, - 8 1 16x4"},
        {"HE8,CS1,@RP1/50/0", 4, -EOPNOTSUPP, "0 0 1 0, - 50 1 8x50, - 50 1 8x50"},
        {"@RP3/0/1", 10, 0, "0 1 3 0"},
        {"VE8,@RP1/10/1", 10, 0, "0 1 1 0, 0 10 1 10x8"},
        {"VE8,@RP1/11/1", 10, -EINVAL, "0 1 1 0"},
        {"VE8,CS1,@RP1/6/0", 11, -EINVAL, "0 0 1 0"},
        {"RL,@RP1/1/0", 0, -EINVAL, "1 0 1 0"},
        // clang-format on
    };
    for (const auto &c : cases) {
        EXPECT_EQ(area(c.text, c.pixelCount, c.result), c.area) << c.text.value_or("-");
    }
}

TEST(RouteArea, AttributesInPairsValuesAndFlags) {
    const QRVX_RouteNumberGraphic pairs = describe("FG3,SC7,BC9,IC4,OT2", {0}, 0);
    EXPECT_TRUE(pairs.fgBg.given && pairs.fgBg.first == 3 && pairs.fgBg.second == 0);
    EXPECT_TRUE(pairs.stSc.given && pairs.stSc.first == 0 && pairs.stSc.second == 7);
    EXPECT_TRUE(pairs.fcBc.given && pairs.fcBc.second == 9 && pairs.bcValue == 9);
    EXPECT_TRUE(pairs.itIc.given && pairs.itIc.second == 4 && pairs.icValue == 4);
    EXPECT_TRUE(pairs.otOc.given && pairs.otOc.first == 2 && pairs.ocValue == 0);
    EXPECT_EQ(pairs.fcGiven + pairs.paletteGiven + pairs.rfGiven, 0); // "BC" alone is no "FC"
    const QRVX_RouteNumberGraphic values = describe("FC1,PC5,PD-2,OS6,IN7,RF12x", {0}, 0);
    EXPECT_TRUE(values.fcGiven && values.fcValue == 1 && values.fcBc.first == 1);
    EXPECT_TRUE(values.paletteGiven && values.pcValue == 5 && values.pdValue == -2);
    EXPECT_TRUE(values.paValue == 0 && values.pbValue == 0);
    EXPECT_TRUE(values.osValue == 6 && values.inValue == 7 && values.rfGiven && !values.rfValue);
    EXPECT_EQ(describe("PA0", {0}, 0).paletteGiven, 1);
    EXPECT_EQ(describe("RF-4", {0}, 0).rfValue, -4);
    EXPECT_EQ(QRVX_routeNumberProgrammable(nullptr), 0);
    const QRVX_Graphic graphic{nullptr, 0, 0, 0};
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, nullptr), -EINVAL);
}

} // namespace
