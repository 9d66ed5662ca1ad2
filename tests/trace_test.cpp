// What decoding tells the host logger, message by message (level, function, line, format, text),
// under every choice of enabled levels: the parameter text and the colour system at debug, bad
// values as errors (passed on even without a logger), the dimensions at verbose.
#include "support/suite.hpp"

namespace {

using namespace qrvx::test;

Message parameterText(const std::string &text) {
    return {debugLevel, "qrvxParseGraphicsParameters", 947, "GRAPHIC PARAM: %s",
            "GRAPHIC PARAM: " + text};
}
Message dimension(const std::string &size) {
    return {verboseLevel, "adjustBitmapDimension", 0, "Graphic Dimension %d x %d",
            "Graphic Dimension " + size};
}
Message converting(const char *function, std::uint32_t line, const std::string &text) {
    return {debugLevel, function, line, text, text};
}
Message incorrect(const std::string &what, const std::string &value) {
    return {errorLevel,
            {},
            0,
            "Incorrect " + what + " %s. Using Default",
            "Incorrect " + what + " " + value + ". Using Default"};
}

TEST(Trace, DecodingMessagesByLevel) {
    const Message cs0 = converting("convertCS0Image", 550, "converting CS0 Image");
    const Message cs7 = incorrect("Colour System", "7");
    const struct {
        std::optional<std::uint32_t> levels;
        const char *parameters;
        std::vector<Message> expected;
    } cases[] = {
        // clang-format off
        {std::nullopt, "CS7", {cs7}},
        {errorLevel, "CS7", {cs7}},
        {debugLevel, "CS7", {parameterText("CS7"), cs0}},
        {verboseLevel, "CS7", {dimension("4 x 8")}},
        {allLevels, "CS7", {parameterText("CS7"), cs7, dimension("4 x 8"), cs0}},
        {0, "CS7", {}},
        {0x01 | 0x04 | 0x08 | 0x40, "CS7", {}},
        {debugLevel | verboseLevel, "VE8,CS1", {parameterText("VE8,CS1"), dimension("2 x 8"), converting("convertCS1Image", 648, "converting CS1 Image")}},
        {debugLevel | verboseLevel, "VE8,CS2", {parameterText("VE8,CS2"), dimension("2 x 8"), converting("convertCS2Image", 1091, "converting Full-Colour Image")}},
        {errorLevel, "VE12x", {incorrect("Column Size", "12x")}},
        {errorLevel, "HE1 6", {incorrect("Row Size", "1 6")}},
        {errorLevel, "CS-1", {incorrect("Colour System", "-1")}},
        {errorLevel, "XX1,CSS", {incorrect("Colour System", "S")}},
        // clang-format on
    };
    for (const auto &c : cases) {
        const TraceCapture capture(c.levels);
        ByteVector bytes = makeGraphic({c.parameters, {}, {1, 2, 3, 4}});
        const QRVX_Graphic graphic = graphicOf(bytes);
        QRVX_Bitmap bitmap;
        QRVX_parse(&graphic, &bitmap);
        QRVX_free(&bitmap);
        EXPECT_EQ(capture.messages(), c.expected) << c.parameters << " " << c.levels.value_or(99);
    }
}

} // namespace
