// Extraction: windows into the caller's pixel data, with route areas and blank columns left out.
// (The fuzz replay checks that every window lies in its plane, and refusals.)
#include "support/suite.hpp"

#include <sstream>

namespace {

using namespace qrvx::test;

TEST(Extraction, WindowIntoThePixelData) {
    const ByteVector twoBlankColumns{0, 0, 0x3C, 0x42, 0, 0};
    const ByteVector ten(10, 0x11), twelve(12, 0x11), eight(8, 0x11), six(6, 0x11);
    const struct {
        GraphicParts parts;
        const char *flags; // 'x' excludeRouteNumber, 't' trimTrailing, 'l' trimLeading
        int result;
        const char *image;
        std::uint32_t defaultColumn;
    } cases[] = {
        // clang-format off
        {{"VE8", {}, twoBlankColumns}, "", 0, "0 6x8 @0 6", 0},
        {{"VE8", {}, twoBlankColumns}, "l", 0, "0 4x8 @2 4", 0},
        {{"VE8", {}, twoBlankColumns}, "t", 0, "0 4x8 @0 4", 0},
        {{"VE8", {}, {0, 0, 0, 0}}, "lt", 0, "0 0x8 @0 0", 0}, // a blank image: all trailing
        {{"VE8,RL2", {}, ten}, "x", 0, "0 8x8 @2 8", 0},
        {{"VE8,RR2", {}, ten}, "x", 0, "0 8x8 @0 8", 0},
        {{"VE16,@RP1/4/1", {}, twelve}, "x", 0, "0 4x16 @0 8", 0},
        {{"VE16,@RP1/4/0", {}, twelve}, "x", 0, "0 4x16 @4 8", 0},
        {{"VE8,RR3,@RP", {}, eight}, "x", 0, "0 5x8 @3 5", 0},
        {{"VE8,RL1,RR3", {}, eight}, "x", 0, "0 7x8 @0 7", 0},
        {{"VE8,CS1,RL1", {}, eight}, "xlt", 0, "1 3x8 @1 @5 3", 0},
        {{"VE8,CS2,RR1", {}, eight}, "", 0, "2 4x8 @0 8", 0},
        {{"VE8,CS2,RR1", {}, eight}, "xlt", 0, "2 3x8 @0 6", 0},
        {{"VE16", 0x01, {1, 2, 3, 4, 5}}, "", 0, "0 2x16 @0 5", 0},
        {{{}, {}, six}, "", 0, "0 3x16 @0 6", 16},
        // The trailing trim counts only whole columns inside the image.
        {{"VE16", {}, {0, 0, 0, 0, 7}}, "t", 0, "0 2x16 @0 4", 0},
        {{"VE16,@RP1/3/0", {}, eight}, "x", 0, "0 2x16 @3 5", 0},
        {{"VE16,@RP1/3/0", {}, {1, 1, 1, 0, 0, 1, 1, 1}}, "xl", 0, "0 1x16 @5 2", 0},
        {{"VE16,@RP1/3/0", {}, eight}, "xt", 0, "0 2x16 @3 4", 0},
        // Route areas that fill the plane, and that do not fit inside it.
        {{"VE8,RL10", {}, ten}, "x", 0, "0 0x8 @10 0", 0},
        {{"VE8,RL11", {}, ten}, "x", -EINVAL, "", 0},
        {{"VE8,RR-1", {}, ten}, "x", -EINVAL, "", 0},
        {{"VE8,CS1,@RP1/6/0", {}, ten}, "x", -EINVAL, "", 0},
        // clang-format on
    };
    // The image as "colourSystem columnCount x columnSize @data [@secondPlane] length", offsets
    // counted from the first pixel byte.
    for (const auto &c : cases) {
        ByteVector bytes = makeGraphic(c.parts);
        const QRVX_Graphic graphic = graphicOf(bytes, 0, c.defaultColumn);
        const auto flag = [&](char f) { return std::strchr(c.flags, f) != nullptr; };
        const QRVX_ExtractOptions options{flag('x'), flag('t'), flag('l')};
        QRVX_Image image{};
        const int result = QRVX_extractImage(&graphic, &options, &image);
        const std::uint8_t *pixels = bytes.data() + bytes.size() - c.parts.pixels.size();
        const auto at = [&](const std::uint8_t *p) {
            return p != nullptr ? "@" + std::to_string(p - pixels) + " " : "";
        };
        std::ostringstream line;
        if (result == 0) { // the fuzz replay shows a refused image untouched
            line << image.colourSystem << " " << image.columnCount << "x" << image.columnSize << " "
                 << at(image.data) << at(image.secondPlane) << image.length;
        }
        EXPECT_TRUE(result == c.result && line.str() == c.image)
            << c.parts.parameters.value_or("-") << " " << c.flags << ": " << result << " "
            << line.str();
    }
}

} // namespace
