// White-box checks of the pieces every operation shares: the gate of the logging call and the
// dimension step.
#include "graphic/graphic.hpp"
#include "log/trace.hpp"
#include "support/trace_capture.hpp"

#include <gtest/gtest.h>

namespace qrvx::test {
namespace {

TEST(TraceGate, VerboseAndDebugNeedTheirBitAndKeepFunctionAndLine) {
    {
        TraceCapture capture(verboseLevel);
        trace::log(trace::Level::verbose, "someFunction", 12, "value %d", 5);
        trace::log(trace::Level::debug, "someFunction", 13, "hidden");
        const std::vector<Message> expected{
            tracedMessage(verboseLevel, "someFunction", 12, "value %d", "value 5")};
        EXPECT_EQ(capture.messages(), expected);
    }
    {
        TraceCapture capture(std::nullopt);
        trace::log(trace::Level::verbose, "someFunction", 12, "value %d", 5);
        trace::log(trace::Level::debug, "someFunction", 13, "hidden");
        EXPECT_TRUE(capture.messages().empty());
    }
}

TEST(TraceGate, ErrorsDropFunctionAndLine) {
    TraceCapture capture(errorLevel);
    trace::log(trace::Level::error, "someFunction", 99, "failed %s", "here");
    const std::vector<Message> expected{errorMessage("failed %s", "failed here")};
    EXPECT_EQ(capture.messages(), expected);
}

struct DimensionCase {
    const char *name;
    uint32_t direction, colourSystem, rowSize, columnSize;
    uint32_t pixelDataLength, defaultRow, defaultColumn;
    uint32_t width, height;
};

class Dimensions : public ::testing::TestWithParam<DimensionCase> {};

TEST_P(Dimensions, CompleteWidthAndHeight) {
    const DimensionCase c = GetParam();
    qrvxGraphicsParameters p{};
    p.rasterDirection = c.direction;
    p.colourSystem = c.colourSystem;
    p.rowSize = c.rowSize;
    p.columnSize = c.columnSize;
    TraceCapture capture(verboseLevel);
    completeDimensions(p, c.pixelDataLength, c.defaultRow, c.defaultColumn);
    EXPECT_EQ(p.rowSize, c.width);
    EXPECT_EQ(p.columnSize, c.height);
    const std::vector<Message> expected{
        tracedMessage(verboseLevel, "adjustBitmapDimension", 0, "Graphic Dimension %d x %d",
                      "Graphic Dimension " + std::to_string(static_cast<int>(c.width)) + " x " +
                          std::to_string(static_cast<int>(c.height)))};
    EXPECT_EQ(capture.messages(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Dimensions,
    ::testing::Values(DimensionCase{"VerticalRoundsColumnToBytes", 0, 0, 0, 10, 4, 0, 0, 2, 10},
                      DimensionCase{"VerticalDefaultColumn", 0, 0, 0, 0, 6, 0, 16, 3, 16},
                      DimensionCase{"VerticalFallsBackToEight", 0, 0, 0, 0, 6, 0, 0, 6, 8},
                      DimensionCase{"TwoPlanesHalveTheData", 0, 1, 0, 8, 9, 0, 0, 4, 8},
                      DimensionCase{"FullColourHalvesToo", 0, 2, 0, 8, 8, 0, 0, 4, 8},
                      DimensionCase{"HorizontalRoundsRowToBytes", 1, 0, 10, 0, 4, 0, 0, 10, 2},
                      DimensionCase{"HorizontalDefaultRow", 1, 0, 0, 0, 6, 24, 16, 24, 2},
                      DimensionCase{"OverflowingSizeCountsOneBytePerLine", 0, 0, 0, 4294967291u, 5,
                                    0, 0, 5, 4294967291u}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

TEST(RouteRules, ProgrammableAndSide) {
    qrvxGraphicsParameters p{};
    EXPECT_FALSE(isProgrammable(p));
    EXPECT_FALSE(routeAtEnd(p));
    p.RR.present = 1;
    EXPECT_TRUE(isProgrammable(p));
    EXPECT_TRUE(routeAtEnd(p));
    p.routePresent = 1; // "@RP" decides the side over "RR"
    EXPECT_FALSE(routeAtEnd(p));
    p.routeC = 2;
    EXPECT_TRUE(routeAtEnd(p));
    p = {};
    p.RL.present = 1;
    EXPECT_TRUE(isProgrammable(p));
    EXPECT_FALSE(routeAtEnd(p));
}

} // namespace
} // namespace qrvx::test
