// Marking a graphic as programmed: the token removed, the rest kept, what the host is told.
#include "support/suite.hpp"

namespace {

using namespace qrvx::test;

using namespace std::string_literals;

TEST(Mark, DeletesOneReservationToken) {
    const struct {
        std::string before;
        int result;
        std::string after; // the graphic's new length of bytes; nothing: unchanged
    } cases[] = {
        // clang-format off
        {"*0CIN2,RL24,CS1*U\0\0\1\2\3"s, 0, "*07IN2,CS1*U\0\0\1\2\3"s}, // the comma before goes
        {"*08RL8,VE16*", 0, "*04VE16*"}, // the first token takes the comma after it
        {"*07VE8,RR8*", 0, "*03VE8*"},
        {"*04RR16*", 0, "*00*"},
        {"*0BRL5,RR6,VE8*", 0, "*07RR6,VE8*"}, // RL before RR
        {"*0bRL5,RR6,VE8*", 0, "*07RR6,VE8*"},
        {"*09VE8, RL 4*", 0, "*03VE8*"}, // spaces are removed first
        {"*0CCS1,XRL2,VE8*", 0, "*08CS1,XVE8*"}, // inside a token: the comma after goes
        {"*07VE8,XRL*", 0, "*05VE8,X*"},
        {"*1FVE16,CS2,PA16711680,PB2550,RR24*", 0, "*1AVE16,CS2,PA16711680,PB2550*"},
        {"*03VE8*12", -ENOENT, ""},
        {"*04V E8*", -ENOENT, ""},
        {"U\1RL", 0, ""},
        {"*05RL\0VE*\7"s, -EINVAL, ""},
        // clang-format on
    };
    for (const auto &c : cases) {
        ByteVector bytes = bytesOf(c.before);
        QRVX_Graphic graphic = graphicOf(bytes);
        EXPECT_EQ(QRVX_markRouteNumberProgrammed(&graphic), c.result) << c.before;
        const std::string after(bytes.begin(), bytes.begin() + graphic.length);
        EXPECT_EQ(after, c.after.empty() ? c.before : c.after);
        // Bytes behind the new end are left as they were.
        EXPECT_EQ(std::string(bytes.begin() + graphic.length, bytes.end()),
                  c.before.substr(graphic.length));
    }
    EXPECT_EQ(QRVX_markRouteNumberProgrammed(nullptr), -EINVAL);
}

TEST(Mark, TracesOldAndNewParameters) {
    ByteVector bytes = bytesOf("*09RL1, VE16*\x01");
    QRVX_Graphic graphic = graphicOf(bytes);
    const TraceCapture capture(verboseLevel);
    ASSERT_EQ(QRVX_markRouteNumberProgrammed(&graphic), 0);
    const std::vector<Message> expected{{verboseLevel, "QRVX_markRouteNumberProgrammed", 0,
                                         "GRAPHIC Params: %s", "GRAPHIC Params: *09RL1, VE16*"},
                                        {verboseLevel, "QRVX_markRouteNumberProgrammed", 0,
                                         "New Params: %s", "New Params: *04VE16*"}};
    EXPECT_EQ(capture.messages(), expected);
}

} // namespace
