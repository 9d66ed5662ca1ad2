// Parameter text to the parameter record, one field at a time; and the trie that finds the keys:
// the longest path decides, without falling back to a shorter key; bad arguments change nothing;
// deleting frees every node, however deep, and empties the root, which keeps its own handler and
// stays usable.
#include "support/suite.hpp"

#include <algorithm>
#include <sstream>

namespace {

using namespace qrvx::test;
using namespace std::string_literals;

using P = qrvxGraphicsParameters;

P parse(std::string_view text, int expectedResult = 0) {
    const ByteVector block = parameterBlock(text);
    P p;
    EXPECT_EQ(qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()), &p),
              expectedResult)
        << text;
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

TEST(Parameters, MarkersBlocksAndZeroBytes) {
    const P invalid = parse("CS1,ZJSON,VE16", -EINVAL); // every token still applied
    EXPECT_TRUE(invalid.colourSystem == 1 && invalid.columnSize == 16 && invalid.valid == 0);
    P none{};
    none.valid = 1;
    const P noKey = parse("C,P,Z,ZJSO,@R");
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

std::string lastRest;

template <int Id>
int32_t keepRest(void *, const uint8_t *rest, int32_t restLength) {
    lastRest.assign(reinterpret_cast<const char *>(rest), static_cast<std::size_t>(restLength));
    return Id;
}

const uint8_t *bytes(const std::string &text) {
    return reinterpret_cast<const uint8_t *>(text.data());
}

int insert(TrieNode *root, const std::string &key, TrieHandler handler = keepRest<1>) {
    return trieInsert(root, bytes(key), static_cast<int>(key.size()), handler);
}

int search(TrieNode *root, const std::string &text) {
    lastRest = "-";
    return trieSearch(root, bytes(text), static_cast<int>(text.size()), nullptr);
}

TEST(Trie, LongestPathDecides) {
    TrieNode *root = trieCreate();
    ASSERT_NE(root, nullptr);
    const std::pair<std::string, TrieHandler> keys[] = {
        {"CS", keepRest<1>},      {"AB", keepRest<3>}, {"ABCD", keepRest<4>},
        {"\0\xFF"s, keepRest<5>}, {"N", nullptr},      {"AB", keepRest<6>}};
    for (const auto &[key, handler] : keys) {
        ASSERT_EQ(insert(root, key, handler), 0) << key;
    }
    const struct {
        std::string text;
        int result;
        std::string rest;
    } cases[] = {
        // clang-format off
        {"CS2", 1, "2"}, {"CS", 1, ""}, {"C", -EBADMSG, "-"}, {"XY", -EBADMSG, "-"},
        {"", -EBADMSG, "-"}, {"ABZ", 6, "Z"}, {"ABCX", -EBADMSG, "-"}, {"ABCDE", 4, "E"},
        {"\0\xFF\0"s, 5, "\0"s}, {"Nxyz", 0, "-"},
        // clang-format on
    };
    for (const auto &c : cases) {
        EXPECT_EQ(search(root, c.text), c.result) << c.text;
        EXPECT_EQ(lastRest, c.rest) << c.text;
    }
    EXPECT_EQ(trieSearch(root, bytes("CS"), -1, nullptr), -EBADMSG);
    EXPECT_EQ(insert(root, ""), -EINVAL);
    EXPECT_EQ(trieInsert(root, bytes("AB"), -2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieInsert(root, nullptr, 2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieInsert(nullptr, bytes("AB"), 2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieSearch(nullptr, bytes("A"), 1, nullptr), -EINVAL);
    EXPECT_EQ(trieSearch(root, nullptr, 1, nullptr), -EINVAL);
    EXPECT_EQ(trieInit(nullptr), -EINVAL);
    trieDelete(nullptr);
    root->handler = keepRest<7>;
    trieDelete(root);
    EXPECT_TRUE(std::ranges::all_of(root->children, [](TrieNode *child) { return !child; }));
    EXPECT_EQ(search(root, "CS"), 7);
    ASSERT_EQ(insert(root, "CS"), 0);
    EXPECT_EQ(search(root, "CS"), 1);
    trieDelete(root);
    std::free(root);
}

TEST(Trie, DeepKeysAreFoundAndDeleted) {
    TrieNode root;
    ASSERT_EQ(trieInit(&root), 0);
    const std::string deep(1 << 19, 'x');
    for (std::size_t branch : {1u, 30u, 31u, 32u, 33u, 1000u}) {
        ASSERT_EQ(insert(&root, deep.substr(0, branch) + "y"), 0);
    }
    ASSERT_EQ(insert(&root, deep), 0);
    EXPECT_EQ(search(&root, deep + "!"), 1);
    EXPECT_EQ(search(&root, deep.substr(0, 32) + "yz"), 1);
    trieDelete(&root);
    EXPECT_EQ(search(&root, deep), -EBADMSG);
}

} // namespace
