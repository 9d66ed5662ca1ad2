// Every allocation an entry point makes (its own, libpng's, stdio's) is made to fail in turn.
#include "robustness/allocation_faults.hpp"
#include "support/graphic_builder.hpp"

#include "qrvx.h"
#include "qrvx_host_trace.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace qrvx::test {
namespace {

void discard(void *, uint32_t, const char *, uint32_t, const char *, const char *) {}

// Every level on, through a sink that does not allocate, so the formatting paths run too.
class AllocationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        QTR_useLogger(0x32);
        QTR_setSink(discard, nullptr);
    }
    void TearDown() override {
        QTR_setSink(nullptr, nullptr);
        QTR_useNoLogger();
    }
};

bool sameBytes(const void *a, const void *b, std::size_t size) {
    return std::memcmp(a, b, size) == 0;
}

TEST_F(AllocationFailure, Parameters) {
    const ByteVector block = parameterBlock("VE16,CS1,PA255,@RP1/2/3,RL4,CS9,HEx");
    const auto parse = [&](qrvxGraphicsParameters &out) {
        return qrvxParseGraphicsParameters(block.data(), static_cast<uint32_t>(block.size()), &out);
    };
    qrvxGraphicsParameters expected;
    ASSERT_EQ(parse(expected), 0);
    qrvxGraphicsParameters initial{};
    initial.valid = 1;

    qrvxGraphicsParameters out;
    int result = 0;
    const std::size_t allocations = exerciseEveryFault({
        [&] { result = parse(out); },
        [&](const FaultRun &run) {
            if (run.injected && result == -ENOMEM) {
                EXPECT_TRUE(sameBytes(&out, &initial, sizeof out));
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_TRUE(sameBytes(&out, &expected, sizeof out));
            }
        },
        [] {},
    });
    EXPECT_GT(allocations, 1u);
}

TEST_F(AllocationFailure, Trie) {
    static const char *const keys[] = {"CS", "CSX", "ZJSON", "\xff\x00\x01"};
    TrieNode root;
    int status = 0;
    const std::size_t allocations = exerciseEveryFault({
        [&] {
            trieInit(&root);
            status = 0;
            for (const char *key : keys) {
                status |= trieInsert(&root, reinterpret_cast<const uint8_t *>(key),
                                     static_cast<int>(std::strlen(key) + 1), nullptr);
            }
        },
        [&](const FaultRun &run) {
            EXPECT_EQ(status, run.injected ? -ENOMEM : 0);
            if (!run.injected) {
                EXPECT_EQ(trieSearch(&root, reinterpret_cast<const uint8_t *>("CSX"), 4, nullptr),
                          0);
            }
        },
        [&] { trieDelete(&root); },
    });
    EXPECT_EQ(allocations, 13u);
}

} // namespace
} // namespace qrvx::test
