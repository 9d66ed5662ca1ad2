// Programming refusals: the first failing check decides the result and the one message the host
// is told. (The fuzz replay checks every result's bytes against an independent splice.)
#include "support/suite.hpp"

#include <sys/mman.h>

#include <algorithm>

namespace {

using namespace qrvx::test;

// The messages of programming itself, without the parser's trace of each block.
std::vector<Message> program(const QRVX_Graphic *target, const QRVX_Graphic *source, int &result) {
    uint8_t *data = nullptr;
    uint32_t length = 0;
    const TraceCapture capture(debugLevel);
    result = QRVX_programRouteNumber(target, source, &data, &length);
    std::free(data);
    std::vector<Message> messages;
    std::ranges::copy_if(capture.messages(), std::back_inserter(messages), [](const Message &m) {
        return m.function != "qrvxParseGraphicsParameters";
    });
    return messages;
}

Message init(uint32_t line, std::string format) {
    std::string text = format;
    text.replace(text.find("%d"), 2, "-22");
    return {debugLevel, "initRouteNumberProgrammer", line, std::move(format), text};
}

Message check(uint32_t line, std::string format, std::string text = {}) {
    text = text.empty() ? format : text;
    return {debugLevel, "programRouteNumber", line, std::move(format), text};
}

const GraphicParts leftTarget{"RL", {}, pixelsOf(6)}, startSource{"@RP1/2/0", {}, pixelsOf(4)};

TEST(Programming, FirstFailingCheckDecides) {
    const char *badParameters = "Failed(%d) to parse source graphic parameters";
    const char *tooSmall = "target graphic is too small to fit the route number";
    const char *shortSource = "source graphic holds fewer than %u route number bytes";
    const struct {
        GraphicParts target, source;
        int result;
        Message message;
    } cases[] = {
        // clang-format off
        {leftTarget, {"@RP1/2/0,ZJSON", {}, pixelsOf(4)}, -EINVAL, init(1295, badParameters)},
        {{"RL,ZJSON", {}, pixelsOf(6)}, startSource, -EINVAL, init(1312, badParameters)},
        {{"HE8,@RP1/3/0", {}, pixelsOf(6)}, startSource, -EOPNOTSUPP, check(1387, "Graphic raster direction mismatch. currently not supported")},
        {{"CS1,@RP1/3/0", {}, pixelsOf(6)}, startSource, -EOPNOTSUPP, check(1393, "Graphic colour system mismatch. currently not supported")},
        {{"@RP1/3/0", {}, pixelsOf(6)}, startSource, -EEXIST, check(1399, "Target Graphic has route number already.")},
        {{{}, {}, pixelsOf(6)}, startSource, -EOPNOTSUPP, check(1407, "Target Graphic is not programmable.")},
        {leftTarget, {"@RP1/2", {}, pixelsOf(4)}, -ENODATA, check(1415, "Route Number Information not available in source")},
        {leftTarget, {"@RP1/5/1", {}, pixelsOf(4)}, -EINVAL, check(0, shortSource, "source graphic holds fewer than 5 route number bytes")},
        {{"CS1,RL", {}, pixelsOf(8)}, {"CS1,@RP1/3/0", {}, pixelsOf(5)}, -EINVAL, check(0, shortSource, "source graphic holds fewer than 3 route number bytes")},
        {{"RL", {}, {1}}, startSource, -E2BIG, check(1454, tooSmall)},
        {{"CS1,RL", 1, pixelsOf(3)}, {"CS1,@RP1/2/0", {}, pixelsOf(4)}, -E2BIG, check(1485, tooSmall)},
        {leftTarget, startSource, 0, {}},
        // clang-format on
    };
    for (const auto &c : cases) {
        ByteVector target = makeGraphic(c.target), source = makeGraphic(c.source);
        const QRVX_Graphic t = graphicOf(target), s = graphicOf(source);
        int result = 0;
        const auto messages = program(&t, &s, result);
        EXPECT_EQ(result, c.result) << c.message.text;
        EXPECT_EQ(messages, std::vector<Message>(c.result != 0, c.message)) << c.message.text;
    }
}

TEST(Programming, UnreadableGraphicsAndNullPointers) {
    ByteVector target = makeGraphic(leftTarget), source = makeGraphic(startSource);
    const QRVX_Graphic t = graphicOf(target), s = graphicOf(source), broken{nullptr, 5, 0, 0};
    int result = 0;
    EXPECT_EQ(program(&t, &broken, result),
              std::vector<Message>{init(1287, "Failed(%d) to parse source graphic")});
    EXPECT_EQ(result, -EINVAL);
    EXPECT_EQ(program(&broken, &s, result),
              std::vector<Message>{init(1304, "Failed(%d) to parse source graphic")});
    EXPECT_EQ(program(&t, nullptr, result), std::vector<Message>{});
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(program(nullptr, &s, result).empty() && result == -EINVAL);
}

// A result longer than 32 bits must be refused, not wrapped into a short buffer. The target
// spans the whole 32-bit length; only its first bytes are ever touched.
TEST(Programming, ResultLengthBeyondThirtyTwoBitsIsRefused) {
    const std::size_t size = 0xFFFFFFFFu;
    void *mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        GTEST_SKIP() << "no 4 GiB address range";
    }
    std::memcpy(mapping, "*02RL*", 6);
    const QRVX_Graphic target{static_cast<uint8_t *>(mapping), 0xFFFFFFFFu, 0, 0};
    ByteVector source = makeGraphic(startSource);
    const QRVX_Graphic s = graphicOf(source);
    uint8_t *data = nullptr;
    uint32_t length = 77;
    EXPECT_EQ(QRVX_programRouteNumber(&target, &s, &data, &length), -ENOMEM);
    EXPECT_TRUE(data == nullptr && length == 0);
    munmap(mapping, size);
}

} // namespace
