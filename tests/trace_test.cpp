// The level gate, driven through the library's own messages.
#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

namespace qrvx::test {
namespace {

// Decoding this graphic logs at every level: the parameter text and the colour system at debug,
// the bad colour system as an error, the dimensions at verbose.
std::vector<Message> decodeWithLevels(std::optional<uint32_t> levels) {
    TraceCapture capture(levels);
    ByteVector bytes = makeGraphic({"CS7", {}, {0x01}});
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_Bitmap bitmap;
    QRVX_parse(&graphic, &bitmap);
    QRVX_free(&bitmap);
    return capture.messages();
}

const Message parameterText = tracedMessage(debugLevel, "qrvxParseGraphicsParameters", 947,
                                            "GRAPHIC PARAM: %s", "GRAPHIC PARAM: CS7");
const Message colourError = errorMessage("Incorrect Colour System %s. Using Default",
                                         "Incorrect Colour System 7. Using Default");
const Message dimension = tracedMessage(verboseLevel, "adjustBitmapDimension", 0,
                                        "Graphic Dimension %d x %d", "Graphic Dimension 1 x 8");
const Message converting = tracedMessage(debugLevel, "convertCS0Image", 550, "converting CS0 Image",
                                         "converting CS0 Image");

TEST(TraceGate, NoLoggerPassesErrorsOnly) {
    EXPECT_EQ(decodeWithLevels(std::nullopt), std::vector<Message>{colourError});
}

TEST(TraceGate, EnabledBitsSelectLevels) {
    using Messages = std::vector<Message>;
    EXPECT_EQ(decodeWithLevels(debugLevel), (Messages{parameterText, converting}));
    EXPECT_EQ(decodeWithLevels(verboseLevel), Messages{dimension});
    EXPECT_EQ(decodeWithLevels(errorLevel), Messages{colourError});
    EXPECT_EQ(decodeWithLevels(allLevels),
              (Messages{parameterText, colourError, dimension, converting}));
    EXPECT_TRUE(decodeWithLevels(0).empty());
    EXPECT_TRUE(decodeWithLevels(0x01 | 0x04 | 0x08 | 0x40).empty());
}

} // namespace
} // namespace qrvx::test
