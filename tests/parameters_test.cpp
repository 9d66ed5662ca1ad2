// Parameter text to the parameter record, one field at a time.
#include "support/suite.hpp"

#include <functional>
#include <limits>

namespace {

using namespace qrvx::test;

using P = qrvxGraphicsParameters;

P parse(std::string_view text, int expectedResult = 0) {
    const ByteVector block = parameterBlock(text);
    P p;
    EXPECT_EQ(qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()), &p),
              expectedResult)
        << text;
    return p;
}

P initial() {
    P p;
    std::memset(&p, 0, sizeof p);
    p.valid = 1;
    return p;
}

TEST(Parameters, FieldsFromValues) {
    const auto fg = [](const P &p) { return int64_t{p.FG.value}; };
    const auto fgPresent = [](const P &p) { return int64_t{p.FG.present}; };
    const auto colourSystem = [](const P &p) { return int64_t{p.colourSystem}; };
    const auto direction = [](const P &p) { return int64_t{p.rasterDirection}; };
    const auto rowSize = [](const P &p) { return int64_t{p.rowSize}; };
    const auto columnSize = [](const P &p) { return int64_t{p.columnSize}; };
    const auto colourB = [](const P &p) { return int64_t{p.colourB}; };
    const auto colourC = [](const P &p) { return int64_t{p.colourC}; };
    const auto route = [](const P &p) {
        return int64_t{p.routePresent} << 48 | int64_t{p.routeA} << 32 | int64_t{p.routeB} << 16 |
               p.routeC;
    };
    const auto routeOf = [](int64_t a, int64_t b, int64_t c) {
        return 1ll << 48 | a << 32 | b << 16 | c;
    };
    constexpr int64_t max = std::numeric_limits<int32_t>::max();
    const struct {
        const char *text;
        std::function<int64_t(const P &)> field;
        int64_t expected;
    } cases[] = {
        // clang-format off
        {"CS1,HE16", colourSystem, 1}, {"CS1,HE16", direction, 1}, {"CS1,HE16", rowSize, 16},
        {"VE,CS", columnSize, 8}, {"VE,CS", colourSystem, 0}, {"HE", rowSize, 8}, // defaults
        {",,CS2,", colourSystem, 2},
        // The later key wins the direction; both sizes are kept.
        {"HE8,VE24", direction, 0}, {"HE8,VE24", rowSize, 8}, {"HE8,VE24", columnSize, 24},
        {"VE24,HE8", direction, 1},
        // Malformed values leave the field as it was.
        {"VE12x", direction, 0}, {"VE12x", columnSize, 0}, {"HE1 6", rowSize, 0},
        {"CS3", colourSystem, 0}, {"CS1,CS-1", colourSystem, 1},
        {"FG", fgPresent, 1}, {"FG", fg, 0}, {"FG-5", fg, -5}, {"FG5a", fgPresent, 1},
        {"FG5a", fg, 0}, {"FG 7", fg, 7}, {"FG7,FG9", fg, 9}, {"FG7,FGx", fg, 7},
        // Numbers saturate at 32 bits.
        {"FG99999999999", fg, max}, {"FG-99999999999", fg, -max - 1}, {"PB4294967296", colourB, max},
        {"HE99999999999", rowSize, max}, {"PC-1", colourC, 0xFFFFFFFF}, {"VE-5", columnSize, 4294967291},
        // "@RP" takes three numbers of 16 bits, or none at all.
        {"@RP10/20/30", route, routeOf(10, 20, 30)}, {"@RP10/20", route, routeOf(0, 0, 0)},
        {"@RP", route, routeOf(0, 0, 0)}, {"@RP1/ 2/3xyz", route, routeOf(1, 2, 3)},
        {"@RP1 /2/3", route, routeOf(0, 0, 0)}, {"@RP65537/-1/0", route, routeOf(1, 65535, 0)},
        // clang-format on
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.field(parse(c.text)), c.expected) << c.text;
    }
}

TEST(Parameters, EveryIntegerKeyLandsInItsOwnField) {
    const P p = parse("FG1,BG2,ST3,SC4,FC5,BC6,IT7,IC8,OT9,OC10,PA11,PB12,PC13,PD14,OS15,IN16,"
                      "RL17,RR18,RF19");
    const ParamValue *fields[] = {&p.FG, &p.BG, &p.ST, &p.SC, &p.FC, &p.BC, &p.IT,
                                  &p.IC, &p.OT, &p.OC, &p.PA, &p.PB, &p.PC, &p.PD,
                                  &p.OS, &p.IN, &p.RL, &p.RR, &p.RF};
    for (int i = 0; i < 19; ++i) {
        EXPECT_TRUE(fields[i]->value == i + 1 && fields[i]->present == 1) << i;
    }
    EXPECT_TRUE(p.colourA == 11 && p.colourB == 12 && p.colourC == 13 && p.colourD == 14);
}

TEST(Parameters, MarkersBlocksAndZeroBytes) {
    const P invalid = parse("CS1,ZJSON,VE16", -EINVAL); // every token still applied
    EXPECT_TRUE(invalid.colourSystem == 1 && invalid.columnSize == 16 && invalid.valid == 0);
    const P noKey = parse("C,P,Z,ZJSO,@R"), none = initial();
    EXPECT_EQ(std::memcmp(&noKey, &none, sizeof none), 0);
    ByteVector block = parameterBlock("CS1,VE9");
    block[3 + 3] = 0; // the text ends at "CS1"
    P p;
    ASSERT_EQ(qrvxParseGraphicsParameters(block.data(), 11, &p), 0);
    EXPECT_TRUE(p.colourSystem == 1 && p.columnSize == 0);
    EXPECT_EQ(qrvxParseGraphicsParameters(nullptr, 7, &p), 0);
    EXPECT_EQ(std::memcmp(&p, &none, sizeof none), 0);
    EXPECT_EQ(qrvxParseGraphicsParameters(block.data(), 11, nullptr), -EINVAL);
}

} // namespace
