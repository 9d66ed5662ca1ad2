#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Handler k returns 100 k and keeps the rest of the text it was given.
std::string lastRest;

template <int Id>
int32_t keepRest(void *, const uint8_t *rest, int32_t restLength) {
    lastRest.assign(reinterpret_cast<const char *>(rest), static_cast<std::size_t>(restLength));
    return Id * 100;
}

const uint8_t *bytes(std::string_view text) {
    return reinterpret_cast<const uint8_t *>(text.data());
}

class Trie : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(trieInit(&root), 0); }
    void TearDown() override { trieDelete(&root); }

    int insert(std::string_view key, TrieHandler handler) {
        return trieInsert(&root, bytes(key), static_cast<int>(key.size()), handler);
    }
    int search(std::string_view text) {
        lastRest = "-";
        return trieSearch(&root, bytes(text), static_cast<int>(text.size()), nullptr);
    }

    TrieNode root;
};

TEST_F(Trie, LongestPathDecidesWithoutFallback) {
    const std::string binaryKey("\x00\xFF,", 3);
    for (auto [key, handler] :
         std::vector<std::pair<std::string, TrieHandler>>{{"CS", keepRest<1>},
                                                          {"FC", keepRest<2>},
                                                          {"AB", keepRest<3>},
                                                          {"ABCD", keepRest<4>},
                                                          {binaryKey, keepRest<5>},
                                                          {"N", nullptr}}) {
        ASSERT_EQ(insert(key, handler), 0) << key;
    }
    struct Case {
        std::string text;
        int result;
        std::string rest;
    };
    for (const Case &c : std::vector<Case>{{"CS2", 100, "2"},
                                           {"CS", 100, ""},
                                           {"C", -EBADMSG, "-"},
                                           {"XY", -EBADMSG, "-"},
                                           {"", -EBADMSG, "-"},
                                           {"ABZ", 300, "Z"},
                                           {"ABCX", -EBADMSG, "-"}, // stops at "ABC", no handler
                                           {"ABCDE", 400, "E"},
                                           {binaryKey + '\0', 500, std::string(1, '\0')},
                                           {"Nxyz", 0, "-"}}) {
        EXPECT_EQ(search(c.text), c.result) << c.text;
        EXPECT_EQ(lastRest, c.rest) << c.text;
    }
    EXPECT_EQ(trieSearch(&root, bytes("CS"), -1, nullptr), -EBADMSG);
    ASSERT_EQ(insert("CS", keepRest<6>), 0);
    EXPECT_EQ(search("CS"), 600);
}

TEST_F(Trie, BadArgumentsChangeNothing) {
    EXPECT_EQ(insert("", keepRest<1>), -EINVAL);
    EXPECT_EQ(trieInsert(&root, bytes("AB"), -2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieInsert(&root, nullptr, 2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieInsert(nullptr, bytes("AB"), 2, keepRest<1>), -EINVAL);
    EXPECT_EQ(trieSearch(nullptr, bytes("A"), 1, nullptr), -EINVAL);
    EXPECT_EQ(trieSearch(&root, nullptr, 1, nullptr), -EINVAL);
    EXPECT_EQ(trieInit(nullptr), -EINVAL);
    trieDelete(nullptr);
    for (TrieNode *child : root.children) {
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(root.handler, nullptr);
}

TEST_F(Trie, DeleteEmptiesTheRootWhichStaysUsable) {
    ASSERT_EQ(insert("CS", keepRest<1>), 0);
    root.handler = keepRest<3>;
    trieDelete(&root);
    for (TrieNode *child : root.children) {
        ASSERT_EQ(child, nullptr);
    }
    EXPECT_EQ(search("CS"), 300); // the root keeps its own handler
    ASSERT_EQ(insert("CS", keepRest<1>), 0);
    EXPECT_EQ(search("CS"), 100);
}

// Keys far deeper than a stack could recurse, branching at several depths, must all be freed
// (the sanitizer build reports any node left behind).
TEST_F(Trie, DeepKeysAreFoundAndDeleted) {
    const std::string deep(1 << 19, 'x');
    for (std::size_t branch : {1u, 30u, 31u, 32u, 33u, 1000u}) {
        ASSERT_EQ(insert(deep.substr(0, branch) + "y", keepRest<2>), 0);
    }
    ASSERT_EQ(insert(deep, keepRest<1>), 0);
    EXPECT_EQ(search(deep + "!"), 100);
    EXPECT_EQ(search(deep.substr(0, 32) + "y"), 200);
    trieDelete(&root);
    EXPECT_EQ(search(deep), -EBADMSG);
}

TEST(TrieHeap, CreatedRootIsEmptyAndFreedByTheCaller) {
    TrieNode *root = trieCreate();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->handler, nullptr);
    const uint8_t key[] = {0, 1, 2, 255};
    ASSERT_EQ(trieInsert(root, key, 4, nullptr), 0);
    trieDelete(root);
    EXPECT_EQ(root->children[0], nullptr);
    std::free(root);
}

} // namespace
