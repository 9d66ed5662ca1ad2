// The level gate, driven through the library's own messages.
#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

namespace qrvx::test {
namespace {

// Logs one debug message (the parameter text) and one error (the bad colour system).
std::vector<Message> parseWithLevels(std::optional<uint32_t> levels) {
    TraceCapture capture(levels);
    const ByteVector block = parameterBlock("CS7");
    qrvxGraphicsParameters parameters;
    qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()), &parameters);
    return capture.messages();
}

const Message debugTrace = tracedMessage(debugLevel, "qrvxParseGraphicsParameters", 947,
                                         "GRAPHIC PARAM: %s", "GRAPHIC PARAM: CS7");
const Message colourError = errorMessage("Incorrect Colour System %s. Using Default",
                                         "Incorrect Colour System 7. Using Default");

TEST(TraceGate, NoLoggerPassesErrorsOnly) {
    EXPECT_EQ(parseWithLevels(std::nullopt), std::vector<Message>{colourError});
}

TEST(TraceGate, EnabledBitsSelectLevels) {
    EXPECT_EQ(parseWithLevels(debugLevel), std::vector<Message>{debugTrace});
    EXPECT_EQ(parseWithLevels(errorLevel), std::vector<Message>{colourError});
    EXPECT_EQ(parseWithLevels(errorLevel | debugLevel),
              (std::vector<Message>{debugTrace, colourError}));
    EXPECT_TRUE(parseWithLevels(0).empty());
    EXPECT_TRUE(parseWithLevels(verboseLevel).empty());
}

} // namespace
} // namespace qrvx::test
