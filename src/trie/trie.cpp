#include "qrvx.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

int32_t doNothing(void *, const uint8_t *, int32_t) {
    return 0;
}

bool anyOccupied(TrieNode *const *slots, int count) {
    std::uintptr_t any = 0;
    for (int i = 0; i < count; ++i) {
        any |= reinterpret_cast<std::uintptr_t>(slots[i]);
    }
    return any != 0;
}

// Highest occupied slot below end, or -1. Eight slots at a time: most nodes have one child.
int highestChildSlot(const TrieNode *node, int end) {
    constexpr int block = 8;
    for (int top = end; top > 0; top -= block) {
        const int bottom = top >= block ? top - block : 0;
        if (!anyOccupied(&node->children[bottom], top - bottom)) {
            continue;
        }
        for (int slot = top - 1; slot >= bottom; --slot) {
            if (node->children[slot] != nullptr) {
                return slot;
            }
        }
    }
    return -1;
}

constexpr int allSlots = 256;

// Frees a subtree of any depth without recursion or extra memory: the slot we descend through
// holds the way back up. Children are visited from the highest slot down, so on the way back the
// highest occupied slot is the one holding the parent, and the slots above it are already empty.
void freeDeepSubtree(TrieNode *top) {
    static TrieNode aboveTop{};
    TrieNode *parent = &aboveTop;
    TrieNode *node = top;
    int end = allSlots;
    for (;;) {
        const int slot = highestChildSlot(node, end);
        if (slot >= 0) {
            TrieNode *child = node->children[slot];
            node->children[slot] = parent;
            parent = node;
            node = child;
            end = allSlots;
            continue;
        }
        std::free(node);
        if (parent == &aboveTop) {
            return;
        }
        const int back = highestChildSlot(parent, allSlots);
        TrieNode *grandparent = parent->children[back];
        parent->children[back] = nullptr;
        node = parent;
        parent = grandparent;
        end = back;
    }
}

// Frees a subtree reading each node once; below a fixed depth the slower walk above takes over.
void freeSubtree(TrieNode *top) {
    struct Frame {
        TrieNode *node;
        int end; // slots from here up are done
    };
    constexpr int maxDepth = 32;
    Frame stack[maxDepth];
    int depth = 0;
    stack[0] = {top, allSlots};
    while (depth >= 0) {
        Frame &frame = stack[depth];
        const int slot = highestChildSlot(frame.node, frame.end);
        if (slot < 0) {
            std::free(frame.node);
            --depth;
            continue;
        }
        frame.end = slot;
        TrieNode *child = std::exchange(frame.node->children[slot], nullptr);
        if (depth + 1 < maxDepth) {
            stack[++depth] = {child, allSlots};
        } else {
            freeDeepSubtree(child);
        }
    }
}

} // namespace

extern "C" {

QRVX_API int trieInit(TrieNode *root) {
    if (root == nullptr) {
        return -EINVAL;
    }
    *root = TrieNode{};
    return 0;
}

QRVX_API TrieNode *trieCreate(void) {
    return static_cast<TrieNode *>(std::calloc(1, sizeof(TrieNode)));
}

QRVX_API int trieInsert(TrieNode *root, const uint8_t *key, int keyLength, TrieHandler handler) {
    if (root == nullptr || key == nullptr || keyLength <= 0) {
        return -EINVAL;
    }
    TrieNode *node = root;
    for (int i = 0; i < keyLength; ++i) {
        TrieNode *&child = node->children[key[i]];
        if (child == nullptr) {
            child = trieCreate();
            if (child == nullptr) {
                return -ENOMEM;
            }
        }
        node = child;
    }
    node->handler = handler != nullptr ? handler : doNothing;
    return 0;
}

QRVX_API int trieSearch(TrieNode *root, const uint8_t *text, int textLength, void *context) {
    if (root == nullptr || text == nullptr) {
        return -EINVAL;
    }
    const TrieNode *node = root;
    int consumed = 0;
    while (consumed < textLength && node->children[text[consumed]] != nullptr) {
        node = node->children[text[consumed]];
        ++consumed;
    }
    if (node->handler == nullptr) {
        return -EBADMSG;
    }
    return node->handler(context, text + consumed, textLength - consumed);
}

QRVX_API void trieDelete(TrieNode *root) {
    if (root == nullptr) {
        return;
    }
    for (TrieNode *&child : root->children) {
        if (child != nullptr) {
            freeSubtree(child);
            child = nullptr;
        }
    }
}

} // extern "C"
