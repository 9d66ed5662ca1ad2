#include "qrvx.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Handlers report which key ran and the rest they were given.
struct Call {
    int handler = 0;
    std::string rest;
};

template <int Id>
int32_t recordCall(void *context, const uint8_t *rest, int32_t restLength) {
    auto &call = *static_cast<Call *>(context);
    call.handler = Id;
    call.rest.assign(reinterpret_cast<const char *>(rest), static_cast<std::size_t>(restLength));
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
        call = Call{};
        return trieSearch(&root, bytes(text), static_cast<int>(text.size()), &call);
    }

    TrieNode root;
    Call call;
};

TEST_F(Trie, DispatchesToTheKeyTheTextFollows) {
    ASSERT_EQ(insert("CS", recordCall<1>), 0);
    ASSERT_EQ(insert("FC", recordCall<2>), 0);
    EXPECT_EQ(search("CS2"), 100);
    EXPECT_EQ(call.rest, "2");
    EXPECT_EQ(search("CS"), 100);
    EXPECT_EQ(call.rest, "");
    EXPECT_EQ(search("FC-3"), 200);
    EXPECT_EQ(call.rest, "-3");
    EXPECT_EQ(search("C"), -EBADMSG);
    EXPECT_EQ(search("XY"), -EBADMSG);
    EXPECT_EQ(search(""), -EBADMSG);
    EXPECT_EQ(call.handler, 0);
}

TEST_F(Trie, LongestPathWithoutFallback) {
    ASSERT_EQ(insert("AB", recordCall<1>), 0);
    ASSERT_EQ(insert("ABCD", recordCall<2>), 0);
    EXPECT_EQ(search("ABCX"), -EBADMSG);
    EXPECT_EQ(search("ABZ"), 100);
    EXPECT_EQ(call.rest, "Z");
    EXPECT_EQ(search("ABCDE"), 200);
    EXPECT_EQ(call.rest, "E");
}

TEST_F(Trie, NegativeTextLengthStaysAtTheRoot) {
    ASSERT_EQ(insert("AB", recordCall<1>), 0);
    EXPECT_EQ(trieSearch(&root, bytes("AB"), -1, &call), -EBADMSG);
    root.handler = recordCall<3>;
    EXPECT_EQ(trieSearch(&root, bytes("AB"), 0, &call), 300);
}

TEST_F(Trie, NullHandlerRegistersANoOp) {
    ASSERT_EQ(insert("K", nullptr), 0);
    EXPECT_EQ(search("Kxyz"), 0);
}

TEST_F(Trie, RegisteringAgainReplacesTheHandler) {
    ASSERT_EQ(insert("K", recordCall<1>), 0);
    ASSERT_EQ(insert("K", recordCall<2>), 0);
    EXPECT_EQ(search("K"), 200);
}

TEST_F(Trie, AnyByteValueIsAKeyByte) {
    const std::string key("\x00\xFF\x80,", 4);
    ASSERT_EQ(insert(key, recordCall<1>), 0);
    EXPECT_EQ(search(key + std::string("\x00", 1)), 100);
    EXPECT_EQ(call.rest, std::string("\x00", 1));
}

TEST_F(Trie, BadArgumentsChangeNothing) {
    EXPECT_EQ(insert("", recordCall<1>), -EINVAL);
    EXPECT_EQ(trieInsert(&root, bytes("AB"), -2, recordCall<1>), -EINVAL);
    EXPECT_EQ(trieInsert(&root, nullptr, 2, recordCall<1>), -EINVAL);
    EXPECT_EQ(trieInsert(nullptr, bytes("AB"), 2, recordCall<1>), -EINVAL);
    for (TrieNode *child : root.children) {
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(root.handler, nullptr);
    EXPECT_EQ(trieSearch(nullptr, bytes("A"), 1, nullptr), -EINVAL);
    EXPECT_EQ(trieSearch(&root, nullptr, 1, nullptr), -EINVAL);
    EXPECT_EQ(trieInit(nullptr), -EINVAL);
    trieDelete(nullptr);
}

TEST_F(Trie, DeleteEmptiesTheRootWhichStaysUsable) {
    ASSERT_EQ(insert("CS", recordCall<1>), 0);
    ASSERT_EQ(insert("CX", recordCall<2>), 0);
    root.handler = recordCall<3>;
    trieDelete(&root);
    for (TrieNode *child : root.children) {
        ASSERT_EQ(child, nullptr);
    }
    EXPECT_EQ(search("CS"), 300); // the root's own handler is kept
    root.handler = nullptr;
    EXPECT_EQ(search("CS"), -EBADMSG);
    ASSERT_EQ(insert("CS", recordCall<1>), 0);
    EXPECT_EQ(search("CS"), 100);
}

// A key far deeper than any stack could recurse must still be inserted, found and deleted.
TEST_F(Trie, VeryLongKeysAreDeletedWithoutRecursion) {
    const std::string deep(1 << 19, 'x');
    ASSERT_EQ(insert(deep, recordCall<1>), 0);
    ASSERT_EQ(insert(deep.substr(0, 1000) + "y", recordCall<2>), 0);
    EXPECT_EQ(search(deep + "!"), 100);
    EXPECT_EQ(search(deep.substr(0, 1000) + "y"), 200);
    trieDelete(&root);
    EXPECT_EQ(search(deep), -EBADMSG);
}

TEST(TrieHeap, CreatedRootIsEmptyAndFreedByTheCaller) {
    TrieNode *root = trieCreate();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->handler, nullptr);
    for (TrieNode *child : root->children) {
        EXPECT_EQ(child, nullptr);
    }
    const uint8_t key[] = {0, 1, 2, 255};
    for (int length = 1; length <= 4; ++length) {
        ASSERT_EQ(trieInsert(root, key, length, nullptr), 0);
    }
    trieDelete(root);
    std::free(root);
}

} // namespace
