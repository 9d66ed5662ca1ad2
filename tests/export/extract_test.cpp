// Extraction: windows into the caller's pixel data, with route areas and blank columns left out.
#include "support/suite.hpp"

namespace qrvx::test {
namespace {

struct ExtractCase {
    const char *name;
    GraphicParts parts;
    const char *flags; // 'x' excludeRouteNumber, 't' trimTrailing, 'l' trimLeading
    int result = 0;
    // Expected image; offsets count from the first pixel byte, nothing means a null pointer.
    std::uint32_t colourSystem = 0, columnCount = 0, columnSize = 8;
    std::optional<std::size_t> data = 0, secondPlane = std::nullopt;
    std::uint32_t length = 0;
    std::uint32_t defaultColumn = 0;
};

class Extraction : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(Extraction, WindowIntoThePixelData) {
    const ExtractCase &c = GetParam();
    ByteVector bytes = makeGraphic(c.parts);
    const QRVX_Graphic graphic = graphicOf(bytes, 0, c.defaultColumn);
    const auto flag = [&](char f) { return std::strchr(c.flags, f) != nullptr; };
    const QRVX_ExtractOptions options{flag('x'), flag('t'), flag('l')};
    QRVX_Image image{};
    ASSERT_EQ(QRVX_extractImage(&graphic, &options, &image), c.result);
    if (c.result != 0) {
        return; // the fuzz replay shows a refused image untouched
    }
    const std::uint8_t *pixels = bytes.data() + bytes.size() - c.parts.pixels.size();
    const auto at = [&](std::optional<std::size_t> offset) {
        return offset ? pixels + *offset : nullptr;
    };
    EXPECT_EQ(image.colourSystem, c.colourSystem);
    EXPECT_EQ(image.columnCount, c.columnCount);
    EXPECT_EQ(image.columnSize, c.columnSize);
    EXPECT_EQ(image.data, at(c.data));
    EXPECT_EQ(image.secondPlane, at(c.secondPlane));
    EXPECT_EQ(image.length, c.length);
}

const ByteVector twoBlankColumns{0, 0, 0x3C, 0x42, 0, 0};
const ByteVector ten(10, 0x11), twelve(12, 0x11), eight(8, 0x11), six(6, 0x11);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Images, Extraction, ::testing::Values(
    ExtractCase{"Whole", {"VE8", {}, twoBlankColumns}, "", 0, 0, 6, 8, 0, {}, 6},
    ExtractCase{"TrimLeading", {"VE8", {}, twoBlankColumns}, "l", 0, 0, 4, 8, 2, {}, 4},
    ExtractCase{"TrimTrailing", {"VE8", {}, twoBlankColumns}, "t", 0, 0, 4, 8, 0, {}, 4},
    ExtractCase{"TrimBoth", {"VE8", {}, twoBlankColumns}, "lt", 0, 0, 2, 8, 2, {}, 2},
    ExtractCase{"TrimBothToLastByte", {"VE8", {}, {0, 0, 0, 0, 0, 7}}, "lt", 0, 0, 1, 8, 5, {}, 1},
    ExtractCase{"TrimTrailingKeepsFirst", {"VE8", {}, {7, 0, 0}}, "t", 0, 0, 1, 8, 0, {}, 1},
    ExtractCase{"BlankLeadingTrimKeepsAll", {"VE8", {}, {0, 0, 0, 0}}, "l", 0, 0, 4, 8, 0, {}, 4},
    ExtractCase{"BlankTrailingTrimEmpties", {"VE8", {}, {0, 0, 0, 0}}, "lt", 0, 0, 0, 8, 0, {}, 0},
    ExtractCase{"RouteColumnsAtStart", {"VE8,RL2", {}, ten}, "x", 0, 0, 8, 8, 2, {}, 8},
    ExtractCase{"RouteColumnsAtEnd", {"VE8,RR2", {}, ten}, "x", 0, 0, 8, 8, 0, {}, 8},
    ExtractCase{"RouteKeptUnlessExcluded", {"VE8,RL2", {}, ten}, "lt", 0, 0, 10, 8, 0, {}, 10},
    ExtractCase{"RouteBytesAtEnd", {"VE16,@RP1/4/1", {}, twelve}, "x", 0, 0, 4, 16, 0, {}, 8},
    ExtractCase{"RouteBytesAtStart", {"VE16,@RP1/4/0", {}, twelve}, "x", 0, 0, 4, 16, 4, {}, 8},
    ExtractCase{"RPWithoutNumbersMeansStart", {"VE8,RR3,@RP", {}, eight}, "x", 0, 0, 5, 8, 3, {}, 5},
    ExtractCase{"RLSizeRRSide", {"VE8,RL1,RR3", {}, eight}, "x", 0, 0, 7, 8, 0, {}, 7},
    ExtractCase{"TwoPlanes", {"VE8,CS1,RL1", {}, eight}, "lt", 0, 1, 4, 8, 0, 4, 4},
    ExtractCase{"TwoPlanesWithoutRoute", {"VE8,CS1,RL1", {}, eight}, "xlt", 0, 1, 3, 8, 1, 5, 3},
    ExtractCase{"FullColour", {"VE8,CS2,RR1", {}, eight}, "", 0, 2, 4, 8, 0, {}, 8},
    ExtractCase{"FullColourWithoutRoute", {"VE8,CS2,RR1", {}, eight}, "xlt", 0, 2, 3, 8, 0, {}, 6},
    ExtractCase{"PartialColumnCountsInLength", {"VE16", {}, {1, 2, 3, 4, 5}}, "", 0, 0, 2, 16, 0, {}, 5},
    ExtractCase{"AfterScrollMarker", {"VE8", 0x01, {1, 2}}, "", 0, 0, 2, 8, 0, {}, 2},
    ExtractCase{"DefaultColumnSize", {{}, {}, six}, "", 0, 0, 3, 16, 0, {}, 6, 16},
    ExtractCase{"EightWithoutDefault", {{}, {}, six}, "", 0, 0, 6, 8, 0, {}, 6},
    ExtractCase{"OnlyAParameterBlock", {"VE8,CS1", {}, {}}, "lt", 0, 1, 0, 8, {}, {}, 0},
    // The trailing trim counts only whole columns inside the image.
    ExtractCase{"TrailingTrimDropsPartialColumn", {"VE16", {}, {0, 0, 0, 0, 7}}, "t", 0, 0, 2, 16, 0, {}, 4},
    ExtractCase{"RouteBytesSplitAColumn", {"VE16,@RP1/3/0", {}, eight}, "x", 0, 0, 2, 16, 3, {}, 5},
    ExtractCase{"LeadingTrimAfterSplitColumn", {"VE16,@RP1/3/0", {}, {1, 1, 1, 0, 0, 1, 1, 1}}, "xl", 0, 0, 1, 16, 5, {}, 2},
    ExtractCase{"TrimAfterSplitColumn", {"VE16,@RP1/3/0", {}, eight}, "xt", 0, 0, 2, 16, 3, {}, 4},
    ExtractCase{"Horizontal", {"HE8", {}, eight}, "", -EOPNOTSUPP},
    ExtractCase{"ZJSON", {"VE8,ZJSON", {}, eight}, "", -EINVAL},
    ExtractCase{"OverflowingColumnSize", {"VE-5", {}, eight}, "", -EINVAL},
    // Route areas that do not fit inside the plane.
    ExtractCase{"RouteWiderThanImage", {"VE8,RL11", {}, ten}, "x", -EINVAL},
    ExtractCase{"NegativeRoute", {"VE8,RR-1", {}, ten}, "x", -EINVAL},
    ExtractCase{"RouteBytesBeyondPlane", {"VE8,CS1,@RP1/6/0", {}, ten}, "x", -EINVAL},
    ExtractCase{"RouteWithoutPixels", {"VE8,RL1", {}, {}}, "x", -EINVAL}),
    [](const auto &testCase) { return std::string(testCase.param.name); });
// clang-format on

} // namespace
} // namespace qrvx::test
