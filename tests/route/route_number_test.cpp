// Route numbers: describing the area and its rules, programming one graphic's route number into
// another (its refusals and their messages are in trace_test.cpp; the fuzz replay checks every
// result's bytes against an independent splice), and marking a graphic as programmed.
#include "support/suite.hpp"

#include <sys/mman.h>

#include <sstream>

namespace {

using namespace qrvx::test;
using namespace std::string_literals;

QRVX_RouteNumberGraphic describe(ByteVector &bytes, int result) {
    const QRVX_Graphic graphic = graphicOf(bytes);
    QRVX_RouteNumberGraphic out;
    std::memset(&out, 0xAB, sizeof out);
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, &out), result);
    EXPECT_EQ(QRVX_routeNumberProgrammable(&graphic), out.programmable);
    return out;
}

// The rules as "programmable atEnd code reservedLines"; each plane that is not all zero as its
// offset into the pixel data (or "-" for none), byte count, bits per pixel, width x height.
TEST(RouteArea, RulesAndPlanes) {
    const struct {
        std::optional<std::string_view> text;
        std::size_t pixelCount;
        int result;
        const char *area;
    } cases[] = {
        // clang-format off
        {{}, 10, 0, "0 0 0 0"},
        {"RR24", 10, 0, "1 1 0 24"},
        {"RL16,RR24", 10, 0, "1 1 0 16"}, // the side from RR, the lines from RL
        {"RL", 10, 0, "1 0 0 0"},
        {"VE16,@RP2/20/1", 100, 0, "0 1 2 0, 80 20 1 10x16"},
        {"VE16,@RP4/20/0", 100, 0, "0 0 0 0, 0 20 1 10x16"}, // code outside 1-3
        {"RR8,@RP1/20/0", 100, 0, "1 0 1 8, 0 20 1 20x8"}, // the route side beats RR
        {"VE10,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 1 4x16"}, // height: the rounded column
        {"VE8,CS1,@RP1/6/1", 40, 0, "0 1 1 0, 14 6 1 6x8, 34 6 1 6x8"},
        {"VE8,CS1,@RP1/6/0", 40, 0, "0 0 1 0, 0 6 1 6x8, 20 6 1 6x8"},
        {"VE8,CS2,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 2 4x8"},
        {"HE16,@RP1/8/0", 16, 0, "0 0 1 0, 0 8 1 16x4"},
        {"HE16,CS1,@RP1/8/0", 16, -EOPNOTSUPP, "0 0 1 0, - 8 1 16x4, - 8 1 16x4"},
        {"HE8,CS1,@RP1/50/0", 4, -EOPNOTSUPP, "0 0 1 0, - 50 1 8x50, - 50 1 8x50"},
        {"@RP3/0/1", 10, 0, "0 1 3 0"},
        // Areas that fill the plane, and one byte more.
        {"VE8,@RP1/10/1", 10, 0, "0 1 1 0, 0 10 1 10x8"},
        {"VE8,@RP1/11/1", 10, -EINVAL, "0 1 1 0"},
        {"VE8,CS1,@RP1/5/0", 11, 0, "0 0 1 0, 0 5 1 5x8, 5 5 1 5x8"},
        {"VE8,CS1,@RP1/6/0", 11, -EINVAL, "0 0 1 0"},
        {"RL,@RP1/1/0", 0, -EINVAL, "1 0 1 0"},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.value_or("-"));
        ByteVector bytes = makeGraphic({c.text, {}, ByteVector(c.pixelCount, 0x5A)});
        const QRVX_RouteNumberGraphic out = describe(bytes, c.result);
        const std::uint8_t *pixels = bytes.data() + bytes.size() - c.pixelCount;
        std::ostringstream line;
        line << int{out.programmable} << " " << out.routeAtEnd << " " << out.routeCode << " "
             << out.reservedLines;
        for (const QRVX_RouteNumberPlane &p : out.planes) {
            if (p.data != nullptr || p.byteCount != 0 || p.width != 0) {
                line << ", " << (p.data != nullptr ? std::to_string(p.data - pixels) : "-") << " "
                     << p.byteCount << " " << p.bitsPerPixel << " " << p.width << "x" << p.height;
            }
        }
        EXPECT_EQ(line.str(), c.area);
    }
}

// Each key in its own attribute, so that a slip in the parameter keys' table or in describing
// shows here; a pair is given when either of its keys is.
TEST(RouteArea, EachKeyInItsOwnAttribute) {
    ByteVector all = makeGraphic(
        {"FG1,BG2,ST3,SC4,FC5,BC6,IT7,IC8,OT9,OC10,PA11,PB12,PC13,PD14,OS15,IN16,RL17,RF18",
         {},
         {0}});
    const QRVX_RouteNumberGraphic d = describe(all, 0);
    EXPECT_EQ(
        (std::vector<std::int32_t>{d.fgBg.first, d.fgBg.second, d.stSc.first, d.stSc.second,
                                   d.fcBc.first, d.fcBc.second, d.itIc.first, d.itIc.second,
                                   d.otOc.first, d.otOc.second, d.paValue, d.pbValue, d.pcValue,
                                   d.pdValue, d.osValue, d.inValue, d.reservedLines, d.rfValue}),
        (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_TRUE(d.fcValue == 5 && d.bcValue == 6 && d.icValue == 8 && d.ocValue == 10);
    // fgBg stSc fcBc itIc otOc, then palette, FC and RF given.
    for (const auto &[text, given] : {std::pair{"", "00000000"},
                                      {"BG0,SC0,BC0,IC0,OT0", "11111000"},
                                      {"PD0,FC0,RF12x", "00100111"},
                                      {"PA0", "00000100"}}) {
        ByteVector bytes = makeGraphic({text, {}, {0}});
        const QRVX_RouteNumberGraphic g = describe(bytes, 0);
        std::string flags;
        for (const int flag : {g.fgBg.given, g.stSc.given, g.fcBc.given, g.itIc.given, g.otOc.given,
                               g.paletteGiven, g.fcGiven, g.rfGiven}) {
            flags += static_cast<char>('0' + flag);
        }
        EXPECT_EQ(flags, given) << text;
    }
    EXPECT_EQ(QRVX_routeNumberProgrammable(nullptr), 0);
    const QRVX_Graphic graphic{nullptr, 0, 0, 0};
    EXPECT_EQ(QRVX_getRouteNumberGraphic(&graphic, nullptr), -EINVAL);
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
    ByteVector source = makeGraphic({"@RP1/2/0", {}, pixelsOf(4)});
    const QRVX_Graphic s = graphicOf(source);
    uint8_t *data = nullptr;
    uint32_t length = 77;
    EXPECT_EQ(QRVX_programRouteNumber(&target, &s, &data, &length), -ENOMEM);
    EXPECT_TRUE(data == nullptr && length == 0);
    munmap(mapping, size);
}

TEST(Mark, DeletesOneReservationToken) {
    const struct {
        std::string before;
        int result;
        std::string after; // the graphic's new length of bytes; nothing: unchanged
    } cases[] = {
        // clang-format off
        {"*0CIN2,RL24,CS1*U\0\0\1\2\3"s, 0, "*07IN2,CS1*U\0\0\1\2\3"s}, // the comma before goes
        {"*08RL8,VE16*", 0, "*04VE16*"}, // the first token takes the comma after it
        {"*04RR16*", 0, "*00*"},
        {"*0bRL5,RR6,VE8*", 0, "*07RR6,VE8*"}, // RL before RR
        {"*09VE8, RL 4*", 0, "*03VE8*"}, // spaces are removed first
        {"*0CCS1,XRL2,VE8*", 0, "*08CS1,XVE8*"}, // inside a token: the comma after goes
        {"*07VE8,XRL*", 0, "*05VE8,X*"},
        {"*1FVE16,CS2,PA16711680,PB2550,RR24*", 0, "*1AVE16,CS2,PA16711680,PB2550*"},
        {"*03VE8*12", -ENOENT, ""},
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

} // namespace
