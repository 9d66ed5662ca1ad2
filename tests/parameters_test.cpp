#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>

namespace qrvx::test {
namespace {

struct Parsed {
    int result;
    qrvxGraphicsParameters parameters;
    std::vector<Message> messages;
};

Parsed parseBlock(const ByteVector &block, std::optional<uint32_t> levels = allLevels) {
    TraceCapture capture(levels);
    Parsed parsed{};
    parsed.result = qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()),
                                                &parsed.parameters);
    parsed.messages = capture.messages();
    return parsed;
}

Parsed parseText(std::string_view text, std::optional<uint32_t> levels = allLevels) {
    return parseBlock(parameterBlock(text), levels);
}

// The messages after the "GRAPHIC PARAM" trace that every parse of a block logs first.
std::vector<Message> afterTrace(const Parsed &parsed) {
    EXPECT_FALSE(parsed.messages.empty());
    if (parsed.messages.empty()) {
        return {};
    }
    return {parsed.messages.begin() + 1, parsed.messages.end()};
}

qrvxGraphicsParameters initial() {
    qrvxGraphicsParameters parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.valid = 1;
    return parameters;
}

bool sameRecord(const qrvxGraphicsParameters &a, const qrvxGraphicsParameters &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Parameters, ColourSystemHorizontalSizeAndPalette) {
    const Parsed p = parseText("CS1,HE16,PA255");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.parameters.colourSystem, 1u);
    EXPECT_EQ(p.parameters.rasterDirection, 1u);
    EXPECT_EQ(p.parameters.rowSize, 16u);
    EXPECT_EQ(p.parameters.PA.present, 1);
    EXPECT_EQ(p.parameters.PA.value, 255);
    EXPECT_EQ(p.parameters.colourA, 255u);
    EXPECT_TRUE(afterTrace(p).empty());
}

TEST(Parameters, EmptyValuesTakeDefaultsSilently) {
    const Parsed p = parseText("VE,CS");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.parameters.columnSize, 8u);
    EXPECT_EQ(p.parameters.rasterDirection, 0u);
    EXPECT_EQ(p.parameters.colourSystem, 0u);
    EXPECT_TRUE(afterTrace(p).empty());

    EXPECT_EQ(parseText("HE").parameters.rowSize, 8u);
}

struct MalformedCase {
    std::string text;
    std::string format;
    std::string value;
};

class MalformedValue : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedValue, LoggedAsErrorAndFieldKept) {
    const MalformedCase c = GetParam();
    const Parsed p = parseText(c.text);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.parameters.colourSystem, 0u);
    EXPECT_EQ(p.parameters.columnSize, 0u);
    EXPECT_EQ(p.parameters.rowSize, 0u);
    const std::vector<Message> expected{errorMessage(c.format, c.value)};
    EXPECT_EQ(afterTrace(p), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, MalformedValue,
    ::testing::Values(MalformedCase{"VE12x", "Incorrect Column Size %s. Using Default",
                                    "Incorrect Column Size 12x. Using Default"},
                      MalformedCase{"HE1 6", "Incorrect Row Size %s. Using Default",
                                    "Incorrect Row Size 1 6. Using Default"},
                      MalformedCase{"CS3", "Incorrect Colour System %s. Using Default",
                                    "Incorrect Colour System 3. Using Default"},
                      MalformedCase{"CS-1", "Incorrect Colour System %s. Using Default",
                                    "Incorrect Colour System -1. Using Default"},
                      MalformedCase{"XX1,CSS", "Incorrect Colour System %s. Using Default",
                                    "Incorrect Colour System S. Using Default"}));

// One field after parsing a text: what the handlers of the keys make of their values.
struct FieldCase {
    const char *text;
    std::function<int64_t(const qrvxGraphicsParameters &)> field;
    int64_t expected;
};

using P = qrvxGraphicsParameters;
const auto fg = [](const P &p) { return int64_t{p.FG.value}; };
const auto fgPresent = [](const P &p) { return int64_t{p.FG.present}; };
const auto direction = [](const P &p) { return int64_t{p.rasterDirection}; };
const auto rowSize = [](const P &p) { return int64_t{p.rowSize}; };
const auto columnSize = [](const P &p) { return int64_t{p.columnSize}; };
const auto route = [](const P &p) {
    return int64_t{p.routePresent} << 48 | int64_t{p.routeA} << 32 | int64_t{p.routeB} << 16 |
           p.routeC;
};
constexpr int64_t routeOf(int64_t a, int64_t b, int64_t c) {
    return int64_t{1} << 48 | a << 32 | b << 16 | c;
}
constexpr int64_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t int32Min = std::numeric_limits<int32_t>::min();

TEST(Parameters, FieldsFromValues) {
    const std::vector<FieldCase> cases{
        {"HE8,VE24", direction, 0}, // the later key wins the direction...
        {"HE8,VE24", rowSize, 8},   // ...and both sizes are kept
        {"HE8,VE24", columnSize, 24},
        {"VE24,HE8", direction, 1},
        {"VE12x", direction, 0},
        {"FG", fgPresent, 1},
        {"FG", fg, 0},
        {"FG-5", fg, -5},
        {"FG5a", fgPresent, 1},
        {"FG5a", fg, 0},
        {"FG 7", fg, 7},
        {"FG7,FG9", fg, 9},
        {"FG7,FGx", fg, 7},
        {"FG99999999999", fg, int32Max}, // numbers saturate at 32 bits
        {"FG-99999999999", fg, int32Min},
        {"PB4294967296", [](const P &p) { return int64_t{p.colourB}; }, int32Max},
        {"PC-1", [](const P &p) { return int64_t{p.colourC}; }, 0xFFFFFFFF},
        {"VE-5", columnSize, 4294967291},
        {"HE99999999999", rowSize, int32Max},
        {"@RP10/20/30", route, routeOf(10, 20, 30)},
        {"@RP10/20", route, routeOf(0, 0, 0)},
        {"@RP", route, routeOf(0, 0, 0)},
        {"@RP1/ 2/3xyz", route, routeOf(1, 2, 3)},
        {"@RP1 /2/3", route, routeOf(0, 0, 0)},
        {"@RP65537/-1/0", route, routeOf(1, 65535, 0)},
    };
    for (const FieldCase &c : cases) {
        EXPECT_EQ(c.field(parseText(c.text).parameters), c.expected) << c.text;
    }
    EXPECT_TRUE(afterTrace(parseText("FG5a")).empty());
}

TEST(Parameters, EveryIntegerKeyLandsInItsOwnField) {
    const P p = parseText("FG1,BG2,ST3,SC4,FC5,BC6,IT7,IC8,OT9,OC10,PA11,PB12,PC13,PD14,OS15,IN16,"
                          "RL17,RR18,RF19")
                    .parameters;
    const ParamValue *fields[] = {&p.FG, &p.BG, &p.ST, &p.SC, &p.FC, &p.BC, &p.IT,
                                  &p.IC, &p.OT, &p.OC, &p.PA, &p.PB, &p.PC, &p.PD,
                                  &p.OS, &p.IN, &p.RL, &p.RR, &p.RF};
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(fields[i]->value, i + 1) << i;
        EXPECT_EQ(fields[i]->present, 1) << i;
    }
    EXPECT_EQ((std::vector<uint32_t>{p.colourA, p.colourB, p.colourC, p.colourD}),
              (std::vector<uint32_t>{11, 12, 13, 14}));
}

TEST(Parameters, InvalidMarkerFailsAfterApplyingEveryToken) {
    const Parsed p = parseText("CS1,ZJSON,VE16");
    EXPECT_EQ(p.result, -EINVAL);
    EXPECT_EQ(p.parameters.colourSystem, 1u);
    EXPECT_EQ(p.parameters.columnSize, 16u);
    EXPECT_EQ(p.parameters.valid, 0);
}

TEST(Parameters, TokensThatAreNoKeyAreIgnored) {
    EXPECT_EQ(parseText(",,CS2,").parameters.colourSystem, 2u);
    const Parsed partialKeys = parseText("C,P,Z,ZJSO,@R");
    EXPECT_EQ(partialKeys.result, 0);
    EXPECT_TRUE(sameRecord(partialKeys.parameters, initial()));
}

TEST(Parameters, TextEndsAtZeroByte) {
    ByteVector block = parameterBlock("CS1,VE9");
    block[3 + 3] = 0; // "CS1\0VE9"
    const Parsed p = parseBlock(block);
    EXPECT_EQ(p.parameters.colourSystem, 1u);
    EXPECT_EQ(p.parameters.columnSize, 0u);
    EXPECT_EQ(p.messages.at(0).text, "GRAPHIC PARAM: CS1");
}

TEST(Parameters, NoBlockGivesInitialRecord) {
    qrvxGraphicsParameters parameters;
    const ByteVector noStar = bytesOf("#03CS1*");
    const ByteVector truncated = bytesOf("*05CS1*");
    EXPECT_EQ(qrvxParseGraphicsParameters(nullptr, 7, &parameters), 0);
    EXPECT_TRUE(sameRecord(parameters, initial()));
    EXPECT_EQ(qrvxParseGraphicsParameters(noStar.data(), 0, &parameters), 0);
    EXPECT_TRUE(sameRecord(parameters, initial()));
    EXPECT_EQ(qrvxParseGraphicsParameters(noStar.data(), 7, &parameters), 0);
    EXPECT_TRUE(sameRecord(parameters, initial()));
    EXPECT_EQ(qrvxParseGraphicsParameters(truncated.data(), 7, &parameters), 0);
    EXPECT_TRUE(sameRecord(parameters, initial()));
    EXPECT_EQ(qrvxParseGraphicsParameters(noStar.data(), 7, nullptr), -EINVAL);
}

TEST(Parameters, BlockLengthBoundsTheText) {
    // The length given bounds the block: a declared text beyond it is no block at all.
    const ByteVector block = parameterBlock("CS2");
    qrvxGraphicsParameters parameters;
    EXPECT_EQ(qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size() - 1),
                                          &parameters),
              0);
    EXPECT_EQ(parameters.colourSystem, 0u);
}

} // namespace
} // namespace qrvx::test
