// The trie against a plain model: arbitrary byte keys, arbitrary texts, replaced handlers and
// deletion. The input holds length-prefixed records: keys first (as many as the control byte
// says), then texts to search.
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
    return Key;
}

constexpr TrieHandler handlers[] = {handler<0>, handler<1>, handler<2>, handler<3>};

// Walks as far as some key continues the text; dispatches only when that prefix is a key.
int expectedSearch(const std::map<std::string, int> &keys, const std::string &text,
                   Dispatch &expected) {
    std::size_t consumed = 0;
    while (consumed < text.size()) {
        const auto next = keys.lower_bound(text.substr(0, consumed + 1));
        if (next == keys.end() || next->first.compare(0, consumed + 1, text, 0, consumed + 1)) {
            break;
        }
        ++consumed;
    }
    const auto key = keys.find(text.substr(0, consumed));
    if (key == keys.end()) {
        return -EBADMSG;
    }
    expected = Dispatch{key->second, static_cast<std::int32_t>(text.size() - consumed)};
    return key->second;
}

int search(TrieNode &root, const std::string &text, Dispatch &dispatch) {
    return trieSearch(&root, reinterpret_cast<const std::uint8_t *>(text.data()),
                      static_cast<int>(text.size()), &dispatch);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::span<const std::uint8_t> bytes = input.payload();
    std::vector<std::string> records;
    for (std::size_t pos = 0; pos < bytes.size(); pos += 1 + records.back().size()) {
        const std::size_t length = std::min<std::size_t>(bytes[pos], bytes.size() - pos - 1);
        records.emplace_back(reinterpret_cast<const char *>(bytes.data() + pos + 1), length);
    }
    const std::size_t keyCount = std::min<std::size_t>(records.size(), input.control() >> 1 & 15);

    TrieNode root;
    FUZZ_CHECK(trieInit(&root) == 0);
    std::map<std::string, int> model;
    for (std::size_t i = 0; i < keyCount; ++i) {
        const int id = static_cast<int>(i % 4);
        const std::string &key = records[i];
        FUZZ_CHECK(trieInsert(&root, reinterpret_cast<const std::uint8_t *>(key.data()),
                              static_cast<int>(key.size()),
                              handlers[id]) == (key.empty() ? -EINVAL : 0));
        if (!key.empty()) {
            model[key] = id;
        }
    }
    for (std::size_t i = keyCount; i < records.size(); ++i) {
        Dispatch actual, expected;
        FUZZ_CHECK(search(root, records[i], actual) == expectedSearch(model, records[i], expected));
        FUZZ_CHECK(actual == expected);
    }
    trieDelete(&root);
    for (const auto &[key, id] : model) {
        Dispatch dispatch;
        FUZZ_CHECK(search(root, key, dispatch) == -EBADMSG);
    }
    return 0;
}
