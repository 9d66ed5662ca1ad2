#include "support/graphic_builder.hpp"
#include "support/trace_capture.hpp"

#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
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

TEST(Parameters, TextIsTracedAtDebugLevel) {
    const Parsed p = parseText("VE16,CS1");
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0], tracedMessage(debugLevel, "qrvxParseGraphicsParameters", 947,
                                           "GRAPHIC PARAM: %s", "GRAPHIC PARAM: VE16,CS1"));
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

TEST(Parameters, ErrorsReachTheHostWithoutALogger) {
    const Parsed p = parseText("VE12x", std::nullopt);
    const std::vector<Message> expected{errorMessage("Incorrect Column Size %s. Using Default",
                                                     "Incorrect Column Size 12x. Using Default")};
    EXPECT_EQ(p.messages, expected);
}

TEST(Parameters, LaterDirectionWinsBothSizesKept) {
    const Parsed p = parseText("HE8,VE24");
    EXPECT_EQ(p.parameters.rasterDirection, 0u);
    EXPECT_EQ(p.parameters.rowSize, 8u);
    EXPECT_EQ(p.parameters.columnSize, 24u);
    EXPECT_EQ(parseText("VE24,HE8").parameters.rasterDirection, 1u);
    EXPECT_EQ(parseText("VE12x").parameters.rasterDirection, 0u);
}

TEST(Parameters, IntegerRule) {
    EXPECT_EQ(parseText("FG").parameters.FG.present, 1);
    EXPECT_EQ(parseText("FG").parameters.FG.value, 0);
    EXPECT_EQ(parseText("FG-5").parameters.FG.value, -5);
    EXPECT_EQ(parseText("FG5a").parameters.FG.value, 0);
    EXPECT_EQ(parseText("FG5a").parameters.FG.present, 1);
    EXPECT_EQ(parseText("FG 7").parameters.FG.value, 7);
    EXPECT_EQ(parseText("FG7,FG9").parameters.FG.value, 9);
    EXPECT_EQ(parseText("FG7,FGx").parameters.FG.value, 7);
    EXPECT_TRUE(afterTrace(parseText("FG5a")).empty());
}

TEST(Parameters, NumbersSaturateAtThirtyTwoBits) {
    constexpr auto maximum = std::numeric_limits<int32_t>::max();
    constexpr auto minimum = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(parseText("FG99999999999").parameters.FG.value, maximum);
    EXPECT_EQ(parseText("FG-99999999999").parameters.FG.value, minimum);
    EXPECT_EQ(parseText("PB4294967296").parameters.colourB, static_cast<uint32_t>(maximum));
    EXPECT_EQ(parseText("PC-1").parameters.colourC, 0xFFFFFFFFu);
    EXPECT_EQ(parseText("VE-5").parameters.columnSize, 4294967291u);
    EXPECT_EQ(parseText("HE99999999999").parameters.rowSize, static_cast<uint32_t>(maximum));
}

TEST(Parameters, EveryIntegerKeyLandsInItsOwnField) {
    const Parsed p = parseText("FG1,BG2,ST3,SC4,FC5,BC6,IT7,IC8,OT9,OC10,PA11,PB12,PC13,PD14,"
                               "OS15,IN16,RL17,RR18,RF19");
    const ParamValue qrvxGraphicsParameters::*fields[] = {
        &qrvxGraphicsParameters::FG, &qrvxGraphicsParameters::BG, &qrvxGraphicsParameters::ST,
        &qrvxGraphicsParameters::SC, &qrvxGraphicsParameters::FC, &qrvxGraphicsParameters::BC,
        &qrvxGraphicsParameters::IT, &qrvxGraphicsParameters::IC, &qrvxGraphicsParameters::OT,
        &qrvxGraphicsParameters::OC, &qrvxGraphicsParameters::PA, &qrvxGraphicsParameters::PB,
        &qrvxGraphicsParameters::PC, &qrvxGraphicsParameters::PD, &qrvxGraphicsParameters::OS,
        &qrvxGraphicsParameters::IN, &qrvxGraphicsParameters::RL, &qrvxGraphicsParameters::RR,
        &qrvxGraphicsParameters::RF};
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ((p.parameters.*fields[i]).value, i + 1) << i;
        EXPECT_EQ((p.parameters.*fields[i]).present, 1) << i;
    }
    EXPECT_EQ(p.parameters.colourA, 11u);
    EXPECT_EQ(p.parameters.colourB, 12u);
    EXPECT_EQ(p.parameters.colourC, 13u);
    EXPECT_EQ(p.parameters.colourD, 14u);
}

TEST(Parameters, RouteNumberArea) {
    const qrvxGraphicsParameters full = parseText("@RP10/20/30").parameters;
    EXPECT_EQ(full.routePresent, 1);
    EXPECT_EQ(full.routeA, 10);
    EXPECT_EQ(full.routeB, 20);
    EXPECT_EQ(full.routeC, 30);

    const qrvxGraphicsParameters partial = parseText("@RP10/20").parameters;
    EXPECT_EQ(partial.routePresent, 1);
    EXPECT_EQ(partial.routeA + partial.routeB + partial.routeC, 0);

    const qrvxGraphicsParameters trailing = parseText("@RP1/ 2/3xyz").parameters;
    EXPECT_EQ(trailing.routeB, 2);
    EXPECT_EQ(trailing.routeC, 3);
    EXPECT_EQ(parseText("@RP1 /2/3").parameters.routeB, 0);
    EXPECT_EQ(parseText("@RP65537/-1/0").parameters.routeA, 1);
    EXPECT_EQ(parseText("@RP65537/-1/0").parameters.routeB, 65535);
    EXPECT_EQ(parseText("@RP").parameters.routePresent, 1);
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
