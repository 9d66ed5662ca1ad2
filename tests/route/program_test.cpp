#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qrvx::test {
namespace {

constexpr uint8_t t0 = 0xA0; // target pixel bytes t0, t0 + 1, ...
constexpr uint8_t s0 = 0xB0; // source pixel bytes

ByteVector run(uint8_t first, std::size_t count) {
    ByteVector bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

enum class Outputs { untouched, empty, buffer };

struct Programmed {
    int result;
    Outputs outputs;
    ByteVector bytes; // the buffer handed out
    std::vector<Message> messages;
};

// Programs with debug tracing on; checks that neither input changed and frees what it gets.
Programmed program(const GraphicParts &targetParts, const GraphicParts &sourceParts) {
    ByteVector target = makeGraphic(targetParts);
    ByteVector source = makeGraphic(sourceParts);
    const ByteVector targetBefore = target, sourceBefore = source;
    const QRVX_Graphic targetGraphic = graphicOf(target), sourceGraphic = graphicOf(source);
    uint8_t sentinel = 0;
    uint8_t *data = &sentinel;
    uint32_t length = 77;
    TraceCapture capture(debugLevel);
    Programmed p{QRVX_programRouteNumber(&targetGraphic, &sourceGraphic, &data, &length),
                 Outputs::buffer,
                 {},
                 {}};
    EXPECT_EQ(target, targetBefore);
    EXPECT_EQ(source, sourceBefore);
    if (data == &sentinel) {
        p.outputs = length == 77 ? Outputs::untouched : Outputs::buffer;
    } else if (data == nullptr) {
        p.outputs = length == 0 ? Outputs::empty : Outputs::buffer;
    } else {
        p.bytes.assign(data, data + length);
        std::free(data);
    }
    for (const Message &message : capture.messages()) {
        if (message.function != "qrvxParseGraphicsParameters") {
            p.messages.push_back(message);
        }
    }
    return p;
}

const GraphicParts leftTarget{"RL", std::nullopt, run(t0, 6)};
const GraphicParts startSource{"@RP1/2/0", std::nullopt, run(s0, 4)};

struct SpliceCase {
    std::string name;
    GraphicParts target, source;
    ByteVector area;
};

class Splice : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(Splice, SourceBlockTargetMarkerSplicedPixels) {
    const SpliceCase &c = GetParam();
    const Programmed p = program(c.target, c.source);
    ASSERT_EQ(p.result, 0);
    ByteVector expected = parameterBlock(*c.source.parameters);
    if (c.target.scrollByte) {
        expected.insert(expected.end(), {'U', *c.target.scrollByte});
    }
    expected.insert(expected.end(), c.area.begin(), c.area.end());
    EXPECT_EQ(p.bytes, expected);
    EXPECT_TRUE(p.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sides, Splice,
    ::testing::Values(
        SpliceCase{"StartIntoStart",
                   leftTarget,
                   startSource,
                   {s0, s0 + 1, t0 + 2, t0 + 3, t0 + 4, t0 + 5}},
        SpliceCase{"StartIntoEnd",
                   {"RR", std::nullopt, run(t0, 6)},
                   startSource,
                   {t0, t0 + 1, t0 + 2, t0 + 3, s0, s0 + 1}},
        SpliceCase{"EndIntoEnd",
                   {"RR", std::nullopt, run(t0, 6)},
                   {"@RP1/2/1", std::nullopt, run(s0, 4)},
                   {t0, t0 + 1, t0 + 2, t0 + 3, s0 + 2, s0 + 3}},
        SpliceCase{"TargetRouteSideBeatsLeft",
                   {"@RP0/0/1,RL", std::nullopt, run(t0, 6)},
                   startSource,
                   {t0, t0 + 1, t0 + 2, t0 + 3, s0, s0 + 1}},
        SpliceCase{"TwoPlanesAtEnd",
                   {"CS1,RR", std::nullopt, run(t0, 8)},
                   {"CS1,@RP1/1/1", std::nullopt, run(s0, 4)},
                   {t0, t0 + 1, t0 + 2, s0 + 1, t0 + 4, t0 + 5, t0 + 6, s0 + 3}},
        SpliceCase{"TwoPlanesAtStart",
                   {"CS1,RL", std::nullopt, run(t0, 8)},
                   {"CS1,@RP1/1/0", std::nullopt, run(s0, 4)},
                   {s0, t0 + 1, t0 + 2, t0 + 3, s0 + 2, t0 + 5, t0 + 6, t0 + 7}},
        SpliceCase{"TwoPlanesOddTargetKeepsLastByte",
                   {"CS1,RR", std::nullopt, run(t0, 7)},
                   {"CS1,@RP1/1/1", std::nullopt, run(s0, 4)},
                   {t0, t0 + 1, s0 + 1, t0 + 3, t0 + 4, s0 + 3, t0 + 6}},
        SpliceCase{"TargetScrollMarkerOnly",
                   {"RL", 1, run(t0, 3)},
                   {"@RP1/2/0", 0, run(s0, 4)},
                   {s0, s0 + 1, t0 + 2}},
        SpliceCase{"RouteFillsTarget", {"RL", std::nullopt, run(t0, 2)}, startSource, {s0, s0 + 1}},
        SpliceCase{"HorizontalRasters",
                   {"HE8,RR", std::nullopt, run(t0, 3)},
                   {"HE16,@RP1/1/0", std::nullopt, run(s0, 2)},
                   {t0, t0 + 1, s0}}),
    [](const auto &testCase) { return testCase.param.name; });

struct RefusalCase {
    std::string name;
    GraphicParts target, source;
    int result;
    Outputs outputs;
    Message message;
    ByteVector handedOut = {};
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, FirstFailingCheckDecides) {
    const RefusalCase &c = GetParam();
    const Programmed p = program(c.target, c.source);
    EXPECT_EQ(p.result, c.result);
    EXPECT_EQ(p.outputs, c.outputs);
    EXPECT_EQ(p.bytes, c.handedOut);
    EXPECT_EQ(p.messages, std::vector<Message>{c.message});
}

Message init(uint32_t line, std::string format, std::string text) {
    return tracedMessage(debugLevel, "initRouteNumberProgrammer", line, std::move(format),
                         std::move(text));
}

Message check(uint32_t line, std::string format, std::string text = {}) {
    if (text.empty()) {
        text = format;
    }
    return tracedMessage(debugLevel, "programRouteNumber", line, std::move(format),
                         std::move(text));
}

const std::string tooSmall = "target graphic is too small to fit the route number";

ByteVector withZeros(ByteVector head, std::size_t zeros) {
    head.resize(head.size() + zeros, 0);
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Refusal,
    ::testing::Values(
        RefusalCase{"SourceParameters",
                    leftTarget,
                    {"@RP1/2/0,ZJSON", std::nullopt, run(s0, 4)},
                    -EINVAL,
                    Outputs::untouched,
                    init(1295, "Failed(%d) to parse source graphic parameters",
                         "Failed(-22) to parse source graphic parameters")},
        RefusalCase{"TargetParameters",
                    {"RL,ZJSON", std::nullopt, run(t0, 6)},
                    startSource,
                    -EINVAL,
                    Outputs::untouched,
                    init(1312, "Failed(%d) to parse source graphic parameters",
                         "Failed(-22) to parse source graphic parameters")},
        RefusalCase{"RasterBeforeRouteChecks",
                    {"HE8,@RP1/3/0", std::nullopt, run(t0, 6)},
                    startSource,
                    -EOPNOTSUPP,
                    Outputs::empty,
                    check(1387, "Graphic raster direction mismatch. currently not supported")},
        RefusalCase{"ColourBeforeRouteChecks",
                    {"CS1,@RP1/3/0", std::nullopt, run(t0, 6)},
                    startSource,
                    -EOPNOTSUPP,
                    Outputs::empty,
                    check(1393, "Graphic colour system mismatch. currently not supported")},
        RefusalCase{"RouteNumberBeforeProgrammable",
                    {"@RP1/3/0", std::nullopt, run(t0, 6)},
                    startSource,
                    -EEXIST,
                    Outputs::empty,
                    check(1399, "Target Graphic has route number already.")},
        RefusalCase{"TargetWithoutBlock",
                    {std::nullopt, std::nullopt, run(t0, 6)},
                    startSource,
                    -EOPNOTSUPP,
                    Outputs::empty,
                    check(1407, "Target Graphic is not programmable.")},
        RefusalCase{"SourceWithoutRouteNumber",
                    leftTarget,
                    {"@RP1/2", std::nullopt, run(s0, 4)},
                    -ENODATA,
                    Outputs::empty,
                    check(1415, "Route Number Information not available in source")},
        RefusalCase{"SourceShorterThanRoute",
                    leftTarget,
                    {"@RP1/5/1", std::nullopt, run(s0, 4)},
                    -EINVAL,
                    Outputs::empty,
                    check(0, "source graphic holds fewer than %u route number bytes",
                          "source graphic holds fewer than 5 route number bytes")},
        RefusalCase{"SourcePlaneShorterThanRoute",
                    {"CS1,RL", std::nullopt, run(t0, 8)},
                    {"CS1,@RP1/3/0", std::nullopt, run(s0, 5)},
                    -EINVAL,
                    Outputs::empty,
                    check(0, "source graphic holds fewer than %u route number bytes",
                          "source graphic holds fewer than 3 route number bytes")},
        RefusalCase{"TargetTooSmall",
                    {"RL", std::nullopt, run(t0, 1)},
                    startSource,
                    -E2BIG,
                    Outputs::buffer,
                    check(1454, tooSmall),
                    withZeros(parameterBlock("@RP1/2/0"), 1)},
        RefusalCase{"TargetPlaneTooSmall",
                    {"CS1,RL", 1, run(t0, 3)},
                    {"CS1,@RP1/2/0", std::nullopt, run(s0, 4)},
                    -E2BIG,
                    Outputs::buffer,
                    check(1485, tooSmall),
                    withZeros(makeGraphic({"CS1,@RP1/2/0", 1, {}}), 3)}),
    [](const auto &testCase) { return testCase.param.name; });

TEST(Programming, UnreadableGraphicsAndNullPointers) {
    ByteVector target = makeGraphic(leftTarget), source = makeGraphic(startSource);
    const QRVX_Graphic good[] = {graphicOf(target), graphicOf(source)};
    const QRVX_Graphic broken{nullptr, 5, 0, 0};
    uint8_t sentinel = 0;
    uint8_t *data = &sentinel;
    uint32_t length = 77;
    TraceCapture capture(debugLevel);
    EXPECT_EQ(QRVX_programRouteNumber(&good[0], &broken, &data, &length), -EINVAL);
    EXPECT_EQ(QRVX_programRouteNumber(&broken, &good[1], &data, &length), -EINVAL);
    EXPECT_EQ(QRVX_programRouteNumber(&good[0], nullptr, &data, &length), 0);
    EXPECT_EQ(QRVX_programRouteNumber(nullptr, &good[1], &data, &length), -EINVAL);
    EXPECT_EQ(data, &sentinel);
    EXPECT_EQ(length, 77u);
    const std::vector<Message> expected{
        init(1287, "Failed(%d) to parse source graphic", "Failed(-22) to parse source graphic"),
        init(1304, "Failed(%d) to parse source graphic", "Failed(-22) to parse source graphic")};
    std::vector<Message> seen;
    for (const Message &message : capture.messages()) {
        if (message.function != "qrvxParseGraphicsParameters") {
            seen.push_back(message);
        }
    }
    EXPECT_EQ(seen, expected);
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
    auto *targetData = static_cast<uint8_t *>(mapping);
    std::memcpy(targetData, "*02RL*", 6);
    const QRVX_Graphic target{targetData, static_cast<uint32_t>(size), 0, 0};
    ByteVector source = makeGraphic(startSource);
    const QRVX_Graphic sourceGraphic = graphicOf(source);
    uint8_t *data = nullptr;
    uint32_t length = 77;
    EXPECT_EQ(QRVX_programRouteNumber(&target, &sourceGraphic, &data, &length), -ENOMEM);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    munmap(mapping, size);
}

} // namespace
} // namespace qrvx::test
