#include "support/graphic_builder.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace qrvx::test {
namespace {

struct PlaneExpect {
    std::optional<std::size_t> offset; // into the pixel data; empty: null
    uint32_t byteCount, bitsPerPixel, width, height;
};

struct AreaCase {
    std::string name;
    std::optional<std::string_view> text;
    std::size_t pixelCount;
    int result;
    uint8_t programmable;
    uint32_t atEnd, code;
    int32_t reservedLines;
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
    EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), c.programmable);
    EXPECT_EQ(out.programmable, c.programmable);
    EXPECT_EQ(out.routeAtEnd, c.atEnd);
    EXPECT_EQ(out.routeCode, c.code);
    EXPECT_EQ(out.reservedLines, c.reservedLines);
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

INSTANTIATE_TEST_SUITE_P(
    Graphics, RouteArea,
    ::testing::Values(
        AreaCase{"NoParameterBlock", std::nullopt, 10, 0, 0, 0, 0, 0, none, none},
        AreaCase{"RightReservation", "RR24", 10, 0, 1, 1, 0, 24, none, none},
        AreaCase{"BothReservationsSideFromRight", "RL16,RR24", 10, 0, 1, 1, 0, 16, none, none},
        AreaCase{"LeftReservationWithoutValue", "RL", 10, 0, 1, 0, 0, 0, none, none},
        AreaCase{"AreaAtEnd", "VE16,@RP2/20/1", 100, 0, 0, 1, 2, 0, {80, 20, 1, 10, 16}, none},
        AreaCase{
            "CodeOutsideRange", "VE16,@RP4/20/0", 100, 0, 0, 0, 0, 0, {0, 20, 1, 10, 16}, none},
        AreaCase{
            "RouteSideBeatsRight", "RR8,@RP1/20/0", 100, 0, 1, 0, 1, 8, {0, 20, 1, 20, 8}, none},
        AreaCase{
            "HeightIsRoundedColumn", "VE10,@RP1/8/0", 16, 0, 0, 0, 1, 0, {0, 8, 1, 4, 16}, none},
        AreaCase{"TwoPlanesAtEnd",
                 "VE8,CS1,@RP1/6/1",
                 40,
                 0,
                 0,
                 1,
                 1,
                 0,
                 {14, 6, 1, 6, 8},
                 {34, 6, 1, 6, 8}},
        AreaCase{"TwoPlanesAtStart",
                 "VE8,CS1,@RP1/6/0",
                 40,
                 0,
                 0,
                 0,
                 1,
                 0,
                 {0, 6, 1, 6, 8},
                 {20, 6, 1, 6, 8}},
        AreaCase{"TwoPlanesOddLength",
                 "VE8,CS1,@RP1/2/1",
                 9,
                 0,
                 0,
                 1,
                 1,
                 0,
                 {2, 2, 1, 2, 8},
                 {7, 2, 1, 2, 8}},
        AreaCase{"FullColourHalvesColumns",
                 "VE8,CS2,@RP1/8/0",
                 16,
                 0,
                 0,
                 0,
                 1,
                 0,
                 {0, 8, 2, 4, 8},
                 none},
        AreaCase{"HorizontalRows", "HE16,@RP1/8/0", 16, 0, 0, 0, 1, 0, {0, 8, 1, 16, 4}, none},
        AreaCase{"TwoPlanesInRowsUnsupported",
                 "HE16,CS1,@RP1/8/0",
                 16,
                 -EOPNOTSUPP,
                 0,
                 0,
                 1,
                 0,
                 {std::nullopt, 8, 1, 16, 4},
                 {std::nullopt, 8, 1, 16, 4}},
        AreaCase{"TwoPlanesInRowsBeyondData",
                 "HE8,CS1,@RP1/50/0",
                 4,
                 -EOPNOTSUPP,
                 0,
                 0,
                 1,
                 0,
                 {std::nullopt, 50, 1, 8, 50},
                 {std::nullopt, 50, 1, 8, 50}},
        AreaCase{"EmptyArea", "@RP1/0/1", 10, 0, 0, 1, 1, 0, none, none},
        AreaCase{"AreaIsAllPixelData", "VE8,@RP1/10/1", 10, 0, 0, 1, 1, 0, {0, 10, 1, 10, 8}, none},
        AreaCase{"AreaBeyondPixelData", "VE8,@RP1/11/1", 10, -EINVAL, 0, 1, 1, 0, none, none},
        AreaCase{"AreaBeyondHalfOfPixelData", "VE8,CS1,@RP1/6/0", 11, -EINVAL, 0, 0, 1, 0, none,
                 none},
        AreaCase{"AreaWithoutPixelData", "RL,@RP1/1/0", 0, -EINVAL, 1, 0, 1, 0, none, none}),
    [](const auto &testCase) { return testCase.param.name; });

QRVX_RouteNumberGraphic describe(std::string_view text) {
    ByteVector bytes = makeGraphic({text, std::nullopt, ByteVector(8, 0)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out{};
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), 0);
    return out;
}

TEST(RouteAttributes, PairsAndFlags) {
    const QRVX_RouteNumberGraphic fgSc = describe("FG3,SC7");
    EXPECT_EQ(fgSc.fgBg.given, 1);
    EXPECT_EQ(fgSc.fgBg.first, 3);
    EXPECT_EQ(fgSc.stSc.given, 1);
    EXPECT_EQ(fgSc.stSc.second, 7);
    EXPECT_EQ(fgSc.fcBc.given + fgSc.itIc.given + fgSc.otOc.given, 0);

    const QRVX_RouteNumberGraphic bc = describe("BC9,IC4,OC5,OS6,IN7,IT8,OT2");
    EXPECT_EQ(bc.fcBc.given, 1);
    EXPECT_EQ(bc.fcBc.second, 9);
    EXPECT_EQ(bc.fcGiven, 0);
    EXPECT_EQ(bc.bcValue, 9);
    EXPECT_EQ(bc.itIc.first * 10 + bc.itIc.second, 84);
    EXPECT_EQ(bc.otOc.first * 10 + bc.otOc.second, 25);
    EXPECT_EQ(bc.icValue * 1000 + bc.ocValue * 100 + bc.osValue * 10 + bc.inValue, 4567);

    const QRVX_RouteNumberGraphic fc = describe("FC1,PC5,PD-2");
    EXPECT_EQ(fc.fcGiven, 1);
    EXPECT_EQ(fc.fcValue, 1);
    EXPECT_EQ(fc.fcBc.first, 1);
    EXPECT_EQ(fc.paletteGiven, 1);
    EXPECT_EQ(fc.pcValue, 5);
    EXPECT_EQ(fc.pdValue, -2);
    EXPECT_EQ(fc.paValue + fc.pbValue, 0);
    EXPECT_EQ(describe("PA0").paletteGiven, 1);

    for (const char *text : {"RF", "RF12x"}) {
        const QRVX_RouteNumberGraphic rf = describe(text);
        EXPECT_EQ(rf.rfGiven, 1) << text;
        EXPECT_EQ(rf.rfValue, 0) << text;
    }
    EXPECT_EQ(describe("RF-4").rfValue, -4);
    EXPECT_EQ(describe("VE8").rfGiven + describe("VE8").paletteGiven, 0);
}

TEST(RouteAttributes, UnparsableParametersLeaveRecordUntouched) {
    ByteVector bytes = makeGraphic({"RL8,ZJSON", std::nullopt, ByteVector(4, 0)});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out;
    std::memset(&out, 0xAB, sizeof out);
    QRVX_RouteNumberGraphic before;
    std::memcpy(&before, &out, sizeof out);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), -EINVAL);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
    EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), 0);
    EXPECT_EQ(QRVX_routeNumberProgrammable(nullptr), 0);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, nullptr), -EINVAL);
}

} // namespace
} // namespace qrvx::test
