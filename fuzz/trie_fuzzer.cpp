// The trie against a plain model: arbitrary byte keys (a null handler among them), arbitrary
// texts, replaced handlers, the root's own handler, deletion and bad arguments. The input holds
// length-prefixed records: keys first (as many as the control byte says), then texts.
#include "fuzz_input.hpp"

#include <cerrno>
#include <map>
#include <string>
#include <vector>

using namespace qrvx::fuzz;

namespace {

// Handler k records its key and the length of the rest it was given.
struct Dispatch {
    int key = -1;
    std::int32_t restLength = -1;
    bool operator==(const Dispatch &) const = default;
};

template <int Key>
std::int32_t handler(void *context, const std::uint8_t *, std::int32_t restLength) {
    *static_cast<Dispatch *>(context) = Dispatch{Key, restLength};
    return Key + 1;
}

constexpr TrieHandler handlers[] = {handler<0>, handler<1>, handler<2>, nullptr};

// Walks as far as some key continues the text; dispatches only when that prefix is a key (the
// root's own handler being the key ""). A key without handler returns 0.
int expectedSearch(const std::map<std::string, int> &keys, const std::string &text,
                   Dispatch &expected) {
    std::size_t consumed = 0;
    while (consumed < text.size()) {
        const auto next = keys.lower_bound(text.substr(0, consumed + 1));
        if (next == keys.end() ||
            next->first.compare(0, consumed + 1, text, 0, consumed + 1) != 0) {
            break;
        }
        ++consumed;
    }
    const auto key = keys.find(text.substr(0, consumed));
    if (key == keys.end()) {
        return -EBADMSG;
    }
    if (handlers[key->second] == nullptr) {
        return 0;
    }
    expected = Dispatch{key->second, static_cast<std::int32_t>(text.size() - consumed)};
    return key->second + 1;
}

const std::uint8_t *bytes(const std::string &text) {
    return reinterpret_cast<const std::uint8_t *>(text.data());
}

void checkSearches(TrieNode *root, const std::map<std::string, int> &model,
                   const std::vector<std::string> &texts) {
    for (const std::string &text : texts) {
        Dispatch actual, expected;
        FUZZ_CHECK(trieSearch(root, bytes(text), static_cast<int>(text.size()), &actual) ==
                   expectedSearch(model, text, expected));
        FUZZ_CHECK(actual == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::span<const std::uint8_t> payload = input.payload();
    std::vector<std::string> records;
    for (std::size_t pos = 0; pos < payload.size(); pos += 1 + records.back().size()) {
        const std::size_t length = std::min<std::size_t>(payload[pos], payload.size() - pos - 1);
        records.emplace_back(reinterpret_cast<const char *>(payload.data() + pos + 1), length);
    }
    const std::size_t keyCount = std::min<std::size_t>(records.size(), input.control() >> 1 & 15);
    const std::vector<std::string> keys(records.begin(), records.begin() + keyCount);
    const std::vector<std::string> texts(records.begin() + keyCount, records.end());

    TrieNode *root = trieCreate();
    FUZZ_CHECK(root != nullptr && trieInit(root) == 0 && trieInit(nullptr) == -EINVAL);
    std::map<std::string, int> model;
    if (input.option(4)) {
        root->handler = handlers[1];
        model[""] = 1;
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int id = static_cast<int>(i % 4), length = static_cast<int>(keys[i].size());
        FUZZ_CHECK(trieInsert(root, bytes(keys[i]), length, handlers[id]) ==
                   (length == 0 ? -EINVAL : 0));
        FUZZ_CHECK(trieInsert(root, bytes(keys[i]), -1 - length, handlers[0]) == -EINVAL);
        FUZZ_CHECK(trieInsert(nullptr, bytes(keys[i]), length, handlers[0]) == -EINVAL);
        FUZZ_CHECK(trieInsert(root, nullptr, length, handlers[0]) == -EINVAL);
        if (length != 0) {
            model[keys[i]] = id;
        }
    }
    checkSearches(root, model, texts);
    FUZZ_CHECK(trieSearch(nullptr, payload.data(), 0, nullptr) == -EINVAL);
    FUZZ_CHECK(trieSearch(root, nullptr, 0, nullptr) == -EINVAL);
    trieDelete(root);
    trieDelete(nullptr);
    // Deleting empties the root; its own handler stays.
    const std::map<std::string, int> rootOnly(model.begin(), model.upper_bound(""));
    checkSearches(root, rootOnly, keys);
    std::free(root);
    return 0;
}
