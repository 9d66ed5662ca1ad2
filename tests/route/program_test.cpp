// Programming: the source's route bytes spliced into the target, and every refusal with its
// message.
#include "support/suite.hpp"

#include <sys/mman.h>

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

// What the library reported itself, without the parser's trace of each block.
std::vector<Message> routeMessages(const TraceCapture &capture) {
    std::vector<Message> messages;
    for (const Message &message : capture.messages()) {
        if (message.function != "qrvxParseGraphicsParameters") {
            messages.push_back(message);
        }
    }
    return messages;
}

struct Programmed {
    int result;
    std::optional<ByteVector> handedOut; // empty: outputs untouched; no bytes: null and 0
    std::vector<Message> messages;
};

// Programs with debug tracing on, checks that neither input changed and frees the result.
Programmed program(const GraphicParts &targetParts, const GraphicParts &sourceParts) {
    ByteVector target = makeGraphic(targetParts), source = makeGraphic(sourceParts);
    const ByteVector targetBefore = target, sourceBefore = source;
    const QRVX_Graphic targetGraphic = graphicOf(target), sourceGraphic = graphicOf(source);
    uint8_t sentinel = 0;
    uint8_t *data = &sentinel;
    uint32_t length = 77;
    TraceCapture capture(debugLevel);
    Programmed p{QRVX_programRouteNumber(&targetGraphic, &sourceGraphic, &data, &length),
                 {},
                 routeMessages(capture)};
    EXPECT_EQ(target, targetBefore);
    EXPECT_EQ(source, sourceBefore);
    if (data != &sentinel || length != 77) {
        EXPECT_TRUE(data != nullptr || length == 0);
        p.handedOut = data != nullptr ? ByteVector(data, data + length) : ByteVector{};
        std::free(data);
    }
    return p;
}

const GraphicParts leftTarget{"RL", std::nullopt, run(t0, 6)};
const GraphicParts startSource{"@RP1/2/0", std::nullopt, run(s0, 4)};

struct SpliceCase {
    std::string name;
    GraphicParts target, source;
    std::string_view area; // "s0 t1": source pixel byte 0, then target pixel byte 1
};

ByteVector picture(std::string_view area) {
    ByteVector bytes;
    for (std::size_t at = 0; at + 1 < area.size(); at += 3) {
        const uint8_t first = area[at] == 't' ? t0 : s0;
        bytes.push_back(static_cast<uint8_t>(first + (area[at + 1] - '0')));
    }
    return bytes;
}

class Splice : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(Splice, SourceBlockTargetMarkerSplicedPixels) {
    const SpliceCase &c = GetParam();
    const Programmed p = program(c.target, c.source);
    ASSERT_EQ(p.result, 0);
    ByteVector expected = makeGraphic({c.source.parameters, c.target.scrollByte, picture(c.area)});
    EXPECT_EQ(p.handedOut, expected);
    EXPECT_TRUE(p.messages.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sides, Splice, ::testing::Values(
    SpliceCase{"StartIntoStart", leftTarget, startSource, "s0 s1 t2 t3 t4 t5"},
    SpliceCase{"StartIntoEnd", {"RR", {}, run(t0, 6)}, startSource, "t0 t1 t2 t3 s0 s1"},
    SpliceCase{"EndIntoEnd", {"RR", {}, run(t0, 6)}, {"@RP1/2/1", {}, run(s0, 4)},
               "t0 t1 t2 t3 s2 s3"},
    SpliceCase{"TargetRouteSideBeatsLeft", {"@RP0/0/1,RL", {}, run(t0, 6)}, startSource,
               "t0 t1 t2 t3 s0 s1"},
    SpliceCase{"TwoPlanesAtEnd", {"CS1,RR", {}, run(t0, 8)}, {"CS1,@RP1/1/1", {}, run(s0, 4)},
               "t0 t1 t2 s1 t4 t5 t6 s3"},
    SpliceCase{"TwoPlanesAtStart", {"CS1,RL", {}, run(t0, 8)}, {"CS1,@RP1/1/0", {}, run(s0, 4)},
               "s0 t1 t2 t3 s2 t5 t6 t7"},
    SpliceCase{"TwoPlanesOddTargetKeepsLastByte", {"CS1,RR", {}, run(t0, 7)},
               {"CS1,@RP1/1/1", {}, run(s0, 4)}, "t0 t1 s1 t3 t4 s3 t6"},
    SpliceCase{"TargetScrollMarkerOnly", {"RL", 1, run(t0, 3)}, {"@RP1/2/0", 0, run(s0, 4)},
               "s0 s1 t2"},
    SpliceCase{"RouteFillsTarget", {"RL", {}, run(t0, 2)}, startSource, "s0 s1"},
    SpliceCase{"HorizontalRasters", {"HE8,RR", {}, run(t0, 3)}, {"HE16,@RP1/1/0", {}, {s0}},
               "t0 t1 s0"}),
    [](const auto &testCase) { return testCase.param.name; });
// clang-format on

struct RefusalCase {
    std::string name;
    GraphicParts target, source;
    int result;
    Message message;
    std::optional<ByteVector> handedOut;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, FirstFailingCheckDecides) {
    const RefusalCase &c = GetParam();
    const Programmed p = program(c.target, c.source);
    EXPECT_EQ(p.result, c.result);
    EXPECT_EQ(p.handedOut, c.handedOut);
    EXPECT_EQ(p.messages, std::vector<Message>{c.message});
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

const char *const badParameters = "Failed(%d) to parse source graphic parameters";
const char *const tooSmall = "target graphic is too small to fit the route number";
const char *const shortSource = "source graphic holds fewer than %u route number bytes";
const ByteVector nothing{};

ByteVector withZeros(ByteVector head, std::size_t zeros) {
    head.resize(head.size() + zeros, 0);
    return head;
}

// Outputs: std::nullopt untouched, nothing for null and 0, else the bytes handed out.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Checks, Refusal, ::testing::Values(
    RefusalCase{"SourceParameters", leftTarget, {"@RP1/2/0,ZJSON", {}, run(s0, 4)}, -EINVAL,
                init(1295, badParameters), std::nullopt},
    RefusalCase{"TargetParameters", {"RL,ZJSON", {}, run(t0, 6)}, startSource, -EINVAL,
                init(1312, badParameters), std::nullopt},
    RefusalCase{"RasterFirst", {"HE8,@RP1/3/0", {}, run(t0, 6)}, startSource, -EOPNOTSUPP,
                check(1387, "Graphic raster direction mismatch. currently not supported"), nothing},
    RefusalCase{"ColourSecond", {"CS1,@RP1/3/0", {}, run(t0, 6)}, startSource, -EOPNOTSUPP,
                check(1393, "Graphic colour system mismatch. currently not supported"), nothing},
    RefusalCase{"RouteNumberBeforeProgrammable", {"@RP1/3/0", {}, run(t0, 6)}, startSource, -EEXIST,
                check(1399, "Target Graphic has route number already."), nothing},
    RefusalCase{"TargetWithoutBlock", {{}, {}, run(t0, 6)}, startSource, -EOPNOTSUPP,
                check(1407, "Target Graphic is not programmable."), nothing},
    RefusalCase{"SourceWithoutRouteNumber", leftTarget, {"@RP1/2", {}, run(s0, 4)}, -ENODATA,
                check(1415, "Route Number Information not available in source"), nothing},
    RefusalCase{"SourceShorterThanRoute", leftTarget, {"@RP1/5/1", {}, run(s0, 4)}, -EINVAL,
                check(0, shortSource, "source graphic holds fewer than 5 route number bytes"),
                nothing},
    RefusalCase{"SourcePlaneShorterThanRoute", {"CS1,RL", {}, run(t0, 8)},
                {"CS1,@RP1/3/0", {}, run(s0, 5)}, -EINVAL,
                check(0, shortSource, "source graphic holds fewer than 3 route number bytes"),
                nothing},
    RefusalCase{"TargetTooSmall", {"RL", {}, {t0}}, startSource, -E2BIG,
                check(1454, tooSmall), withZeros(parameterBlock("@RP1/2/0"), 1)},
    RefusalCase{"TargetPlaneTooSmall", {"CS1,RL", 1, run(t0, 3)}, {"CS1,@RP1/2/0", {}, run(s0, 4)},
                -E2BIG, check(1485, tooSmall), withZeros(makeGraphic({"CS1,@RP1/2/0", 1, {}}), 3)}),
    [](const auto &testCase) { return testCase.param.name; });
// clang-format on

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
    const std::vector<Message> expected{init(1287, "Failed(%d) to parse source graphic"),
                                        init(1304, "Failed(%d) to parse source graphic")};
    EXPECT_EQ(routeMessages(capture), expected);
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
