// Keys far deeper than a stack could recurse, branching at several depths, are found and all
// freed (the sanitizer build reports any node left behind). The fuzz replay checks the rest of
// the trie against a model.
#include "support/suite.hpp"

namespace {

int32_t found(void *, const uint8_t *, int32_t restLength) {
    return 100 + restLength;
}

int insert(TrieNode &root, const std::string &key) {
    return trieInsert(&root, reinterpret_cast<const uint8_t *>(key.data()),
                      static_cast<int>(key.size()), found);
}

int search(TrieNode &root, const std::string &text) {
    return trieSearch(&root, reinterpret_cast<const uint8_t *>(text.data()),
                      static_cast<int>(text.size()), nullptr);
}

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
