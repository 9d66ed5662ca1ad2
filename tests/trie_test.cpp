// The trie: the longest path decides, without falling back to a shorter key; bad arguments change
// nothing; deleting frees every node, however deep, and empties the root, which keeps its own
// handler and stays usable.
#include "support/suite.hpp"

#include <algorithm>

namespace {

using namespace std::string_literals;

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
