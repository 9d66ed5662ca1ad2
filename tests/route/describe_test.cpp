// Route-number description: the two rules, the attributes and the planes of the area.
#include "support/suite.hpp"

namespace qrvx::test {
namespace {

struct PlaneExpect {
    std::optional<std::size_t> offset; // into the pixel data; empty: null
    uint32_t byteCount, bitsPerPixel, width, height;
};

struct Rules {
    uint8_t programmable;
    uint32_t atEnd, code;
    int32_t reservedLines;
};

struct AreaCase {
    const char *name;
    std::optional<std::string_view> text;
    std::size_t pixelCount;
    int result;
    Rules rules;
    PlaneExpect plane0, plane1;
};

class RouteArea : public ::testing::TestWithParam<AreaCase> {};

TEST_P(RouteArea, DescribesRulesAndPlanes) {
    const AreaCase c = GetParam();
    ByteVector bytes = makeGraphic({c.text, std::nullopt, ByteVector(c.pixelCount, 0x5A)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out;
    std::memset(&out, 0xAB, sizeof out);
    ASSERT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), c.result);
    EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), c.rules.programmable);
    EXPECT_EQ(out.programmable, c.rules.programmable);
    EXPECT_EQ(out.routeAtEnd, c.rules.atEnd);
    EXPECT_EQ(out.routeCode, c.rules.code);
    EXPECT_EQ(out.reservedLines, c.rules.reservedLines);
    const uint8_t *pixels = bytes.data() + (bytes.size() - c.pixelCount);
    const PlaneExpect expected[] = {c.plane0, c.plane1};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("plane " + std::to_string(i));
        const QRVX_RouteNumberPlane &plane = out.planes[i];
        EXPECT_EQ(plane.data, expected[i].offset ? pixels + *expected[i].offset : nullptr);
        EXPECT_EQ(plane.byteCount, expected[i].byteCount);
        EXPECT_EQ(plane.bitsPerPixel, expected[i].bitsPerPixel);
        EXPECT_EQ(plane.width, expected[i].width);
        EXPECT_EQ(plane.height, expected[i].height);
    }
}

constexpr PlaneExpect none{};
constexpr PlaneExpect rowsOf16{std::nullopt, 8, 1, 16, 4};
constexpr PlaneExpect rowsOf8{std::nullopt, 50, 1, 8, 50};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Graphics, RouteArea, ::testing::Values(
    // name, parameter text, pixel bytes, result, {programmable, atEnd, code, reservedLines},
    // plane 0, plane 1 ({offset into the pixel data, byteCount, bitsPerPixel, width, height})
    AreaCase{"NoParameterBlock", {}, 10, 0, {0, 0, 0, 0}, none, none},
    AreaCase{"RightReservation", "RR24", 10, 0, {1, 1, 0, 24}, none, none},
    AreaCase{"BothReservationsSideFromRight", "RL16,RR24", 10, 0, {1, 1, 0, 16}, none, none},
    AreaCase{"LeftReservationWithoutValue", "RL", 10, 0, {1, 0, 0, 0}, none, none},
    AreaCase{"AreaAtEnd", "VE16,@RP2/20/1", 100, 0, {0, 1, 2, 0}, {80, 20, 1, 10, 16}, none},
    AreaCase{"CodeOutsideRange", "VE16,@RP4/20/0", 100, 0, {0, 0, 0, 0}, {0, 20, 1, 10, 16}, none},
    AreaCase{"RouteSideBeatsRight", "RR8,@RP1/20/0", 100, 0, {1, 0, 1, 8}, {0, 20, 1, 20, 8}, none},
    AreaCase{"HeightIsRoundedColumn", "VE10,@RP1/8/0", 16, 0, {0, 0, 1, 0}, {0, 8, 1, 4, 16}, none},
    AreaCase{"TwoPlanesAtEnd", "VE8,CS1,@RP1/6/1", 40, 0, {0, 1, 1, 0},
             {14, 6, 1, 6, 8}, {34, 6, 1, 6, 8}},
    AreaCase{"TwoPlanesAtStart", "VE8,CS1,@RP1/6/0", 40, 0, {0, 0, 1, 0},
             {0, 6, 1, 6, 8}, {20, 6, 1, 6, 8}},
    AreaCase{"FullColourHalvesColumns", "VE8,CS2,@RP1/8/0", 16, 0, {0, 0, 1, 0},
             {0, 8, 2, 4, 8}, none},
    AreaCase{"HorizontalRows", "HE16,@RP1/8/0", 16, 0, {0, 0, 1, 0}, {0, 8, 1, 16, 4}, none},
    AreaCase{"TwoPlanesInRowsUnsupported", "HE16,CS1,@RP1/8/0", 16, -EOPNOTSUPP, {0, 0, 1, 0},
             rowsOf16, rowsOf16},
    AreaCase{"TwoPlanesInRowsBeyondData", "HE8,CS1,@RP1/50/0", 4, -EOPNOTSUPP, {0, 0, 1, 0},
             rowsOf8, rowsOf8},
    AreaCase{"EmptyArea", "@RP1/0/1", 10, 0, {0, 1, 1, 0}, none, none},
    AreaCase{"AreaIsAllPixelData", "VE8,@RP1/10/1", 10, 0, {0, 1, 1, 0}, {0, 10, 1, 10, 8}, none},
    AreaCase{"AreaBeyondPixelData", "VE8,@RP1/11/1", 10, -EINVAL, {0, 1, 1, 0}, none, none},
    AreaCase{"AreaBeyondHalfOfPixelData", "VE8,CS1,@RP1/6/0", 11, -EINVAL, {0, 0, 1, 0},
             none, none},
    AreaCase{"AreaWithoutPixelData", "RL,@RP1/1/0", 0, -EINVAL, {1, 0, 1, 0}, none, none}),
    [](const auto &testCase) { return std::string(testCase.param.name); });
// clang-format on

QRVX_RouteNumberGraphic describe(std::string_view text) {
    ByteVector bytes = makeGraphic({text, std::nullopt, ByteVector(8, 0)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out{};
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), 0);
    return out;
}

TEST(RouteAttributes, PairsValuesAndFlags) {
    const QRVX_RouteNumberGraphic pairs = describe("FG3,SC7,BC9,IC4,OT2");
    EXPECT_TRUE(pairs.fgBg.given && pairs.fgBg.first == 3 && pairs.fgBg.second == 0);
    EXPECT_TRUE(pairs.stSc.given && pairs.stSc.first == 0 && pairs.stSc.second == 7);
    EXPECT_TRUE(pairs.fcBc.given && pairs.fcBc.second == 9 && pairs.bcValue == 9);
    EXPECT_TRUE(pairs.itIc.given && pairs.itIc.second == 4 && pairs.icValue == 4);
    EXPECT_TRUE(pairs.otOc.given && pairs.otOc.first == 2 && pairs.ocValue == 0);
    EXPECT_EQ(pairs.fcGiven, 0); // "BC" alone does not count
    EXPECT_EQ(pairs.paletteGiven + pairs.rfGiven, 0);

    const QRVX_RouteNumberGraphic values = describe("FC1,PC5,PD-2,OS6,IN7,RF12x");
    EXPECT_TRUE(values.fcGiven && values.fcValue == 1 && values.fcBc.first == 1);
    EXPECT_TRUE(values.paletteGiven && values.pcValue == 5 && values.pdValue == -2);
    EXPECT_EQ(values.paValue + values.pbValue, 0);
    EXPECT_TRUE(values.osValue == 6 && values.inValue == 7);
    EXPECT_TRUE(values.rfGiven && values.rfValue == 0);
    EXPECT_EQ(describe("PA0").paletteGiven, 1);
    EXPECT_EQ(describe("RF-4").rfValue, -4);
}

TEST(RouteAttributes, NullPointers) {
    ByteVector bytes = makeGraphic({"RL8", std::nullopt, ByteVector(4, 0)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    EXPECT_EQ(QRVX_routeNumberProgrammable(nullptr), 0);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, nullptr), -EINVAL);
}

} // namespace
} // namespace qrvx::test
