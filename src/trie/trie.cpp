#include "qrvx.h"

#include <cerrno>
#include <cstdlib>

namespace {

int32_t doNothing(void *, const uint8_t *, int32_t) {
    return 0;
}

int highestChildSlot(const TrieNode *node) {
    for (int slot = 255; slot >= 0; --slot) {
        if (node->children[slot] != nullptr) {
            return slot;
        }
    }
    return -1;
}

// Frees a subtree without recursion or extra memory, so a key of any length can be deleted:
// the slot we descend through holds the way back up. Children are visited from the highest slot
// down, so on the way back the highest occupied slot is always the one holding the parent.
void freeSubtree(TrieNode *top) {
    static TrieNode aboveTop{};
    TrieNode *parent = &aboveTop;
    TrieNode *node = top;
    for (;;) {
        const int slot = highestChildSlot(node);
        if (slot >= 0) {
            TrieNode *child = node->children[slot];
            node->children[slot] = parent;
            parent = node;
            node = child;
            continue;
        }
        std::free(node);
        if (parent == &aboveTop) {
            return;
        }
        const int back = highestChildSlot(parent);
        TrieNode *grandparent = parent->children[back];
        parent->children[back] = nullptr;
        node = parent;
        parent = grandparent;
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
