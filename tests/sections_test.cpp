// Sections and scroll markers: what the fuzz replay's independent reading of every seed does not
// reach (null pointers, a marker byte that is no mode).
#include "support/suite.hpp"

namespace qrvx::test {
namespace {

TEST(Sections, NullPointers) {
    qrvxGraphicsSections sections;
    const uint8_t byte = 0;
    EXPECT_EQ(qrvxParseGraphicsSections(&byte, 1, nullptr), -EINVAL);
    EXPECT_EQ(qrvxParseGraphicsSections(nullptr, 1, &sections), -EINVAL);
    EXPECT_EQ(qrvxParseGraphicsSections(nullptr, 0, &sections), 0);
    EXPECT_EQ(sections.pixelData, nullptr);
    EXPECT_EQ(QRVX_getHeaderLength(nullptr, 5), 0u);
}

TEST(Sections, ScrollModeFromMarkerByte) {
    const uint8_t on[] = {'U', 1}, off[] = {'U', 0}, notMarker[] = {'U', 2};
    uint32_t mode = 99;
    EXPECT_TRUE(qrvxParseScroll(nullptr, &mode) == 0 && mode == 0);
    EXPECT_TRUE(qrvxParseScroll(on, &mode) == 0 && mode == 1);
    EXPECT_TRUE(qrvxParseScroll(off, &mode) == 0 && mode == 2);
    mode = 99;
    EXPECT_TRUE(qrvxParseScroll(notMarker, &mode) == -EINVAL && mode == 99);
    EXPECT_EQ(qrvxParseScroll(on, nullptr), -EINVAL);
}

} // namespace
} // namespace qrvx::test
