// The trie against a plain model: arbitrary byte keys, arbitrary texts, deletion and reuse.
#include "fuzz_input.hpp"

#include <cerrno>
#include <map>
#include <string>
#include <vector>

using namespace qrvx::fuzz;

namespace {

struct Dispatch {
    int key = -1;
    std::int32_t restLength = -1;
};

template <int Key>
std::int32_t handler(void *context, const std::uint8_t *, std::int32_t restLength) {
    auto &dispatch = *static_cast<Dispatch *>(context);
    dispatch.key = Key;
    dispatch.restLength = restLength;
    return Key;
}

constexpr TrieHandler handlers[] = {handler<0>, handler<1>, handler<2>, handler<3>};

// Length-prefixed records: the first ones are keys, the rest texts.
std::vector<std::string> records(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t length = std::min<std::size_t>(bytes[pos], bytes.size() - pos - 1);
        out.emplace_back(reinterpret_cast<const char *>(bytes.data() + pos + 1), length);
        pos += 1 + length;
    }
    return out;
}

// Walks as far as some key continues the text; dispatches only when that prefix is a key.
int expectedSearch(const std::map<std::string, int> &keys, const std::string &text,
                   Dispatch &expected) {
    std::size_t consumed = 0;
    while (consumed < text.size()) {
        const std::string next = text.substr(0, consumed + 1);
        const auto it = keys.lower_bound(next);
        if (it == keys.end() || it->first.compare(0, next.size(), next) != 0) {
            break;
        }
        ++consumed;
    }
    const auto key = keys.find(text.substr(0, consumed));
    if (key == keys.end()) {
        return -EBADMSG;
    }
    expected.key = key->second;
    expected.restLength = static_cast<std::int32_t>(text.size() - consumed);
    return key->second;
}

int search(TrieNode &root, const std::string &text, Dispatch &dispatch) {
    return trieSearch(&root, reinterpret_cast<const std::uint8_t *>(text.data()),
                      static_cast<int>(text.size()), &dispatch);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::vector<std::string> all = records(input.payload());
    const std::size_t keyCount = std::min<std::size_t>(all.size(), input.control() >> 1 & 15);

    TrieNode root;
    FUZZ_CHECK(trieInit(&root) == 0);
    std::map<std::string, int> model;
    for (std::size_t i = 0; i < keyCount; ++i) {
        const int id = static_cast<int>(i % 4);
        const int result = trieInsert(&root, reinterpret_cast<const std::uint8_t *>(all[i].data()),
                                      static_cast<int>(all[i].size()), handlers[id]);
        FUZZ_CHECK(result == (all[i].empty() ? -EINVAL : 0));
        if (result == 0) {
            model[all[i]] = id;
        }
    }
    for (std::size_t i = keyCount; i < all.size(); ++i) {
        Dispatch actual;
        Dispatch expected;
        FUZZ_CHECK(search(root, all[i], actual) == expectedSearch(model, all[i], expected));
        FUZZ_CHECK(actual.key == expected.key && actual.restLength == expected.restLength);
    }
    trieDelete(&root);
    for (const auto &[key, id] : model) {
        Dispatch dispatch;
        FUZZ_CHECK(search(root, key, dispatch) == -EBADMSG);
    }
    return 0;
}
