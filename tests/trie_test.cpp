// The trie beyond what the fuzz replay's model covers: bad arguments, a key without handler, the
// root's own handler, trieCreate, and keys deeper than any stack could recurse.
#include "support/suite.hpp"

namespace {

int32_t found(void *, const uint8_t *, int32_t restLength) {
    return 100 + restLength;
}

const uint8_t *bytes(std::string_view text) {
    return reinterpret_cast<const uint8_t *>(text.data());
}

int insert(TrieNode &root, std::string_view key, TrieHandler handler = found) {
    return trieInsert(&root, bytes(key), static_cast<int>(key.size()), handler);
}

int search(TrieNode &root, std::string_view text) {
    return trieSearch(&root, bytes(text), static_cast<int>(text.size()), nullptr);
}

TEST(Trie, BadArgumentsChangeNothing) {
    TrieNode root;
    ASSERT_EQ(trieInit(&root), 0);
    EXPECT_EQ(insert(root, ""), -EINVAL);
    EXPECT_EQ(trieInsert(&root, bytes("AB"), -2, found), -EINVAL);
    EXPECT_EQ(trieInsert(&root, nullptr, 2, found), -EINVAL);
    EXPECT_EQ(trieInsert(nullptr, bytes("AB"), 2, found), -EINVAL);
    EXPECT_EQ(trieSearch(nullptr, bytes("A"), 1, nullptr), -EINVAL);
    EXPECT_EQ(trieSearch(&root, nullptr, 1, nullptr), -EINVAL);
    EXPECT_EQ(trieInit(nullptr), -EINVAL);
    trieDelete(nullptr);
    for (TrieNode *child : root.children) {
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(root.handler, nullptr);
}

TEST(Trie, KeyWithoutHandlerAndTheRootsOwnHandler) {
    TrieNode *root = trieCreate();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->handler, nullptr);
    ASSERT_EQ(insert(*root, "N", nullptr), 0);
    ASSERT_EQ(insert(*root, "CS"), 0);
    EXPECT_EQ(search(*root, "Nxyz"), 0);
    EXPECT_EQ(trieSearch(root, bytes("CS"), -1, nullptr), -EBADMSG);
    root->handler = found;
    trieDelete(root);
    for (TrieNode *child : root->children) {
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(search(*root, "CS"), 102); // the emptied root keeps its handler and stays usable
    ASSERT_EQ(insert(*root, "CS"), 0);
    EXPECT_EQ(search(*root, "CS"), 100);
    trieDelete(root);
    std::free(root);
}

// Branches at several depths, all freed (the sanitizer build reports any node left behind).
TEST(Trie, DeepKeysAreFoundAndDeleted) {
    TrieNode root;
    ASSERT_EQ(trieInit(&root), 0);
    const std::string deep(1 << 19, 'x');
    for (std::size_t branch : {1u, 30u, 31u, 32u, 33u, 1000u}) {
        ASSERT_EQ(insert(root, deep.substr(0, branch) + "y"), 0);
    }
    ASSERT_EQ(insert(root, deep), 0);
    EXPECT_EQ(search(root, deep + "!"), 101);
    EXPECT_EQ(search(root, deep.substr(0, 32) + "yz"), 101);
    trieDelete(&root);
    EXPECT_EQ(search(root, deep), -EBADMSG);
}

} // namespace
