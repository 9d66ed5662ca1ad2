// Parameter text to the parameter record, one field at a time.
#include "support/suite.hpp"

#include <sstream>

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

// The fields the cases look at, as " name=value " words.
std::string fieldsOf(const P &p) {
    std::ostringstream out;
    out << " dir=" << p.rasterDirection << " cs=" << p.colourSystem << " row=" << p.rowSize
        << " col=" << p.columnSize << " fg=" << p.FG.value << "/" << int{p.FG.present}
        << " pb=" << p.colourB << " pc=" << p.colourC << " rp=" << int{p.routePresent} << ":"
        << p.routeA << "/" << p.routeB << "/" << p.routeC << " ";
    return out.str();
}

TEST(Parameters, FieldsFromValues) {
    const struct {
        const char *text;
        const char *fields; // words that fieldsOf must contain
    } cases[] = {
        // clang-format off
        {"CS1,HE16", "cs=1 dir=1 row=16"}, {"VE,CS", "col=8 cs=0"}, {"HE", "row=8"}, // defaults
        {",,CS2,", "cs=2"},
        // The later key wins the direction; both sizes are kept.
        {"HE8,VE24", "dir=0 row=8 col=24"}, {"VE24,HE8", "dir=1"},
        // Malformed values leave the field as it was.
        {"VE12x", "dir=0 col=0"}, {"HE1 6", "row=0"}, {"CS3", "cs=0"}, {"CS1,CS-1", "cs=1"},
        {"FG", "fg=0/1"}, {"FG-5", "fg=-5/1"}, {"FG5a", "fg=0/1"}, {"FG 7", "fg=7/1"},
        {"FG7,FG9", "fg=9/1"}, {"FG7,FGx", "fg=7/1"},
        // Numbers saturate at 32 bits.
        {"FG99999999999", "fg=2147483647/1"}, {"FG-99999999999", "fg=-2147483648/1"},
        {"PB4294967296", "pb=2147483647"}, {"HE99999999999", "row=2147483647"},
        {"PC-1", "pc=4294967295"}, {"VE-5", "col=4294967291"},
        // "@RP" takes three numbers of 16 bits, or none at all.
        {"@RP10/20/30", "rp=1:10/20/30"}, {"@RP10/20", "rp=1:0/0/0"}, {"@RP", "rp=1:0/0/0"},
        {"@RP1/ 2/3xyz", "rp=1:1/2/3"}, {"@RP1 /2/3", "rp=1:0/0/0"}, {"@RP65537/-1/0", "rp=1:1/65535/0"},
        // clang-format on
    };
    for (const auto &c : cases) {
        const std::string fields = fieldsOf(parse(c.text));
        std::istringstream words(c.fields);
        for (std::string word; words >> word;) {
            EXPECT_NE(fields.find(" " + word + " "), std::string::npos) << c.text << ":" << fields;
        }
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
