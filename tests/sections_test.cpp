#include "support/graphic_builder.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace qrvx::test {
namespace {

struct SectionCase {
    std::string name;
    ByteVector graphic;
    std::uint32_t blockLength;           // 0: no block
    std::optional<std::size_t> scrollAt; // offset of the "U"
    std::size_t pixelOffset;
    std::uint32_t pixelLength;
    std::uint32_t headerLength;
};

class Sections : public ::testing::TestWithParam<SectionCase> {};

TEST_P(Sections, SplitIntoBlockMarkerAndPixels) {
    SectionCase c = GetParam();
    qrvxGraphicsSections sections;
    ASSERT_EQ(qrvxParseGraphicsSections(c.graphic.data(), static_cast<uint32_t>(c.graphic.size()),
                                        &sections),
              0);
    const uint8_t *start = c.graphic.data();
    EXPECT_EQ(sections.parameterBlockLength, c.blockLength);
    EXPECT_EQ(sections.parameterBlock, c.blockLength != 0 ? start : nullptr);
    EXPECT_EQ(sections.scrollMarker, c.scrollAt ? start + *c.scrollAt : nullptr);
    EXPECT_EQ(sections.pixelDataLength, c.pixelLength);
    EXPECT_EQ(sections.pixelData, c.pixelLength != 0 ? start + c.pixelOffset : nullptr);
    EXPECT_EQ(QRVX_getHeaderLength(c.graphic.data(), static_cast<uint32_t>(c.graphic.size())),
              c.headerLength);
}

ByteVector withTail(ByteVector head, std::initializer_list<uint8_t> tail) {
    head.insert(head.end(), tail);
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Sections,
    ::testing::Values(
        SectionCase{"EmptyTextThenPixels", bytesOf("*00*ABC"), 4, {}, 4, 3, 4},
        SectionCase{"BlockMarkerPixels", withTail(bytesOf("*03CS1*"), {'U', 0, 7, 8}), 7, 7, 9, 2,
                    9},
        SectionCase{"DeclaredLengthBeyondBuffer", bytesOf("*05CS1*"), 0, {}, 0, 7, 0},
        SectionCase{"NoClosingStarAtDeclaredEnd", bytesOf("*05CS1*XY"), 0, {}, 0, 9, 0},
        SectionCase{"MaximumLengthBeyondBuffer", bytesOf("*FF1234567"), 0, {}, 0, 10, 0},
        SectionCase{"UWithModeTwoIsPixelData", ByteVector{'U', 2}, 0, {}, 0, 2, 0},
        SectionCase{"LoneUIsPixelData", ByteVector{'U'}, 0, {}, 0, 1, 0},
        SectionCase{"OnlyScrollMarker", ByteVector{'U', 1}, 0, 0, 0, 0, 2},
        SectionCase{"OnlyBlock", bytesOf("*02RL*"), 6, {}, 0, 0, 6},
        SectionCase{"LowerCaseDigit", bytesOf("*0a0123456789*!"), 14, {}, 14, 1, 14},
        SectionCase{"NonHexDigit", bytesOf("*0G*"), 0, {}, 0, 4, 0},
        SectionCase{"TooShortForABlock", bytesOf("**"), 0, {}, 0, 2, 0},
        SectionCase{"EmptyBuffer", ByteVector{}, 0, {}, 0, 0, 0}),
    [](const auto &testCase) { return testCase.param.name; });

TEST(Sections, NullPointersAreRefused) {
    qrvxGraphicsSections sections;
    const uint8_t byte = 0;
    EXPECT_EQ(qrvxParseGraphicsSections(&byte, 1, nullptr), -EINVAL);
    EXPECT_EQ(qrvxParseGraphicsSections(nullptr, 1, &sections), -EINVAL);
    EXPECT_EQ(qrvxParseGraphicsSections(nullptr, 0, &sections), 0);
    EXPECT_EQ(sections.pixelData, nullptr);
    EXPECT_EQ(QRVX_getHeaderLength(nullptr, 5), 0u);
}

TEST(ScrollMode, FromMarkerByte) {
    const uint8_t scrollOn[] = {'U', 1};
    const uint8_t scrollOff[] = {'U', 0};
    const uint8_t notMarker[] = {'U', 2};
    uint32_t mode = 99;
    EXPECT_EQ(qrvxParseScroll(nullptr, &mode), 0);
    EXPECT_EQ(mode, 0u);
    EXPECT_EQ(qrvxParseScroll(scrollOn, &mode), 0);
    EXPECT_EQ(mode, 1u);
    EXPECT_EQ(qrvxParseScroll(scrollOff, &mode), 0);
    EXPECT_EQ(mode, 2u);
    mode = 99;
    EXPECT_EQ(qrvxParseScroll(notMarker, &mode), -EINVAL);
    EXPECT_EQ(mode, 99u);
    EXPECT_EQ(qrvxParseScroll(scrollOn, nullptr), -EINVAL);
}

} // namespace
} // namespace qrvx::test
