// Marking a graphic as programmed, and the round trip through programming and marking.
#include "support/suite.hpp"

namespace qrvx::test {
namespace {

struct MarkCase {
    std::string name;
    ByteVector before;
    int result;
    ByteVector after; // empty: unchanged
};

class Mark : public ::testing::TestWithParam<MarkCase> {};

TEST_P(Mark, DeletesOneReservationToken) {
    const MarkCase &c = GetParam();
    ByteVector bytes = c.before;
    QRVX_Graphic graphic = graphicOf(bytes);
    EXPECT_EQ(QRVX_markRouteNumberProgrammed(&graphic), c.result);
    const ByteVector &expected = c.after.empty() ? c.before : c.after;
    ASSERT_EQ(graphic.length, expected.size());
    EXPECT_EQ(ByteVector(bytes.begin(), bytes.begin() + graphic.length), expected);
    // Bytes behind the new end are left as they were.
    EXPECT_TRUE(
        std::equal(bytes.begin() + graphic.length, bytes.end(), c.before.begin() + graphic.length));
}

ByteVector with(std::string_view head, std::initializer_list<uint8_t> tail) {
    ByteVector bytes = bytesOf(head);
    bytes.insert(bytes.end(), tail);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Spans, Mark,
    ::testing::Values(
        MarkCase{"MiddleTokenTakesCommaBefore",
                 with("*0CIN2,RL24,CS1*", {'U', 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 0,
                 with("*07IN2,CS1*", {'U', 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9})},
        MarkCase{"FirstTokenTakesCommaAfter", bytesOf("*08RL8,VE16*"), 0, bytesOf("*04VE16*")},
        MarkCase{"LastToken", bytesOf("*07VE8,RR8*"), 0, bytesOf("*03VE8*")},
        MarkCase{"OnlyToken", bytesOf("*04RR16*"), 0, bytesOf("*00*")},
        MarkCase{"LeftBeforeRight", bytesOf("*0BRL5,RR6,VE8*"), 0, bytesOf("*07RR6,VE8*")},
        MarkCase{"LowerCaseDigitRead", bytesOf("*0bRL5,RR6,VE8*"), 0, bytesOf("*07RR6,VE8*")},
        MarkCase{"SpacesRemovedFirst", bytesOf("*09VE8, RL 4*"), 0, bytesOf("*03VE8*")},
        MarkCase{"InsideTokenTakesCommaAfter", bytesOf("*0CCS1,XRL2,VE8*"), 0,
                 bytesOf("*08CS1,XVE8*")},
        MarkCase{"InsideLastTokenStopsAtStar", bytesOf("*07VE8,XRL*"), 0, bytesOf("*05VE8,X*")},
        MarkCase{"UpperCaseDigits", bytesOf("*1FVE16,CS2,PA16711680,PB2550,RR24*"), 0,
                 bytesOf("*1AVE16,CS2,PA16711680,PB2550*")},
        MarkCase{"NoReservation", bytesOf("*03VE8*12"), -ENOENT, {}},
        MarkCase{"NoReservationKeepsSpaces", bytesOf("*04V E8*"), -ENOENT, {}},
        MarkCase{"NoParameterBlock", with("U", {1, 'R', 'L'}), 0, {}},
        MarkCase{"ZeroByteInText", with("*05RL", {0, 'V', 'E', '*', 7}), -EINVAL, {}}),
    [](const auto &testCase) { return testCase.param.name; });

TEST(MarkTrace, OldAndNewParameters) {
    ByteVector bytes = bytesOf("*09RL1, VE16*\x01");
    QRVX_Graphic graphic = graphicOf(bytes);
    TraceCapture capture(verboseLevel);
    ASSERT_EQ(QRVX_markRouteNumberProgrammed(&graphic), 0);
    const std::vector<Message> expected{{verboseLevel, "QRVX_markRouteNumberProgrammed", 0,
                                         "GRAPHIC Params: %s", "GRAPHIC Params: *09RL1, VE16*"},
                                        {verboseLevel, "QRVX_markRouteNumberProgrammed", 0,
                                         "New Params: %s", "New Params: *04VE16*"}};
    EXPECT_EQ(capture.messages(), expected);
    EXPECT_EQ(QRVX_markRouteNumberProgrammed(nullptr), -EINVAL);
}

// Program a target, mark the result, and it can take no route number any more.
TEST(RouteRoundTrip, ProgrammedAndMarkedGraphicIsNoTargetAnyMore) {
    ByteVector target = makeGraphic({"VE8,RL", 0, {1, 2, 3, 4, 5}});
    ByteVector source = makeGraphic({"VE8,RL2,@RP2/2/0", std::nullopt, {9, 8, 7}});
    const QRVX_Graphic targetGraphic = graphicOf(target), sourceGraphic = graphicOf(source);
    uint8_t *data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(QRVX_programRouteNumber(&targetGraphic, &sourceGraphic, &data, &length), 0);
    QRVX_Graphic programmed{data, length, 0, 0};
    EXPECT_EQ(QRVX_routeNumberProgrammable(&programmed), 1);

    ASSERT_EQ(QRVX_markRouteNumberProgrammed(&programmed), 0);
    ByteVector expected = makeGraphic({"VE8,@RP2/2/0", 0, {9, 8, 3, 4, 5}});
    EXPECT_EQ(ByteVector(data, data + programmed.length), expected);
    EXPECT_EQ(QRVX_routeNumberProgrammable(&programmed), 0);
    EXPECT_EQ(QRVX_markRouteNumberProgrammed(&programmed), -ENOENT);

    QRVX_RouteNumberGraphic description{};
    ASSERT_EQ(QRVX_getRouteNumberGraphic(&programmed, &description), 0);
    EXPECT_EQ(description.routeCode, 2u);
    EXPECT_EQ(description.planes[0].data, data + programmed.length - 5);
    EXPECT_EQ(description.planes[0].width, 2u);

    uint8_t *again = nullptr;
    uint32_t againLength = 0;
    EXPECT_EQ(QRVX_programRouteNumber(&programmed, &sourceGraphic, &again, &againLength), -EEXIST);
    EXPECT_EQ(again, nullptr);
    std::free(data);
}

} // namespace
} // namespace qrvx::test
