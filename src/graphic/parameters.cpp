#include "decimal.hpp"
#include "graphic.hpp"
#include "heap.hpp"
#include "log/trace.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace qrvx {
namespace {

using Parameters = qrvxGraphicsParameters;
using trace::Level;

constexpr std::uint32_t defaultLineSize = 8;

Parameters &record(void *context) {
    return *static_cast<Parameters *>(context);
}

// Handlers run only on the parser's working copy, where every value ends with a zero byte, so
// the value can also be logged as a C string.
std::string_view valueText(const std::uint8_t *rest, std::int32_t restLength) {
    if (restLength <= 0) {
        return {};
    }
    return {reinterpret_cast<const char *>(rest), static_cast<std::size_t>(restLength)};
}

const char *valueString(const std::uint8_t *rest) {
    return reinterpret_cast<const char *>(rest);
}

template <ParamValue Parameters::*Field>
std::int32_t integerRule(void *context, const std::uint8_t *rest, std::int32_t restLength) {
    ParamValue &field = record(context).*Field;
    field.present = 1;
    if (const auto number = wholeDecimal(valueText(rest, restLength))) {
        field.value = *number;
    }
    return 0;
}

template <ParamValue Parameters::*Field, std::uint32_t Parameters::*Colour>
std::int32_t paletteRule(void *context, const std::uint8_t *rest, std::int32_t restLength) {
    integerRule<Field>(context, rest, restLength);
    Parameters &parameters = record(context);
    parameters.*Colour = static_cast<std::uint32_t>((parameters.*Field).value);
    return 0;
}

std::int32_t colourSystemRule(void *context, const std::uint8_t *rest, std::int32_t restLength) {
    const std::string_view value = valueText(rest, restLength);
    if (value.empty()) {
        return 0;
    }
    const auto number = wholeDecimal(value);
    if (number && *number >= 0 && *number <= 2) {
        record(context).colourSystem = static_cast<std::uint32_t>(*number);
    } else {
        trace::log(Level::error, nullptr, 0, "Incorrect Colour System %s. Using Default",
                   valueString(rest));
    }
    return 0;
}

// "HE" and "VE": the direction, and the line size (8 when the value is empty).
template <std::uint32_t Direction, std::uint32_t Parameters::*Size>
std::int32_t lineSizeRule(void *context, const std::uint8_t *rest, std::int32_t restLength) {
    Parameters &parameters = record(context);
    parameters.rasterDirection = Direction;
    const std::string_view value = valueText(rest, restLength);
    if (value.empty()) {
        parameters.*Size = defaultLineSize;
    } else if (const auto number = wholeDecimal(value)) {
        parameters.*Size = static_cast<std::uint32_t>(*number);
    } else {
        trace::log(Level::error, nullptr, 0,
                   Direction == 0 ? "Incorrect Column Size %s. Using Default"
                                  : "Incorrect Row Size %s. Using Default",
                   valueString(rest));
    }
    return 0;
}

// "@RP" a/b/c, read as "%hu/%hu/%hu"; anything after the third number is ignored.
std::int32_t routeRule(void *context, const std::uint8_t *rest, std::int32_t restLength) {
    Parameters &parameters = record(context);
    parameters.routePresent = 1;
    std::string_view value = valueText(rest, restLength);
    std::array<std::uint16_t, 3> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            if (value.empty() || value.front() != '/') {
                return 0;
            }
            value.remove_prefix(1);
        }
        const auto scan = scanUnsignedShort(value);
        if (!scan) {
            return 0;
        }
        numbers[i] = scan->value;
        value.remove_prefix(scan->end);
    }
    parameters.routeA = numbers[0];
    parameters.routeB = numbers[1];
    parameters.routeC = numbers[2];
    return 0;
}

std::int32_t invalidateRule(void *context, const std::uint8_t *, std::int32_t) {
    record(context).valid = 0;
    return 0;
}

struct Key {
    std::string_view name;
    TrieHandler handler;
};

// Registered in this order; no key is a prefix of another.
constexpr std::array<Key, 24> parameterKeys{{
    {"@RP", routeRule},
    {"BC", integerRule<&Parameters::BC>},
    {"BG", integerRule<&Parameters::BG>},
    {"CS", colourSystemRule},
    {"FC", integerRule<&Parameters::FC>},
    {"FG", integerRule<&Parameters::FG>},
    {"HE", lineSizeRule<1, &Parameters::rowSize>},
    {"IC", integerRule<&Parameters::IC>},
    {"IN", integerRule<&Parameters::IN>},
    {"IT", integerRule<&Parameters::IT>},
    {"OC", integerRule<&Parameters::OC>},
    {"OS", integerRule<&Parameters::OS>},
    {"OT", integerRule<&Parameters::OT>},
    {"PA", paletteRule<&Parameters::PA, &Parameters::colourA>},
    {"PB", paletteRule<&Parameters::PB, &Parameters::colourB>},
    {"PC", paletteRule<&Parameters::PC, &Parameters::colourC>},
    {"PD", paletteRule<&Parameters::PD, &Parameters::colourD>},
    {"RF", integerRule<&Parameters::RF>},
    {"RL", integerRule<&Parameters::RL>},
    {"RR", integerRule<&Parameters::RR>},
    {"SC", integerRule<&Parameters::SC>},
    {"ST", integerRule<&Parameters::ST>},
    {"VE", lineSizeRule<0, &Parameters::columnSize>},
    {"ZJSON", invalidateRule},
}};

// Every node of the trie lies on the path of a key.
constexpr std::size_t keyNodesAtMost() {
    std::size_t bytes = 0;
    for (const Key &key : parameterKeys) {
        bytes += key.name.size();
    }
    return bytes;
}

// The trie of one parse: registered on construction, deleted on every path.
class KeyTrie {
public:
    KeyTrie() {
        trieInit(&root_);
        for (const Key &key : parameterKeys) {
            status_ |= trieInsert(&root_, reinterpret_cast<const std::uint8_t *>(key.name.data()),
                                  static_cast<int>(key.name.size()), key.handler);
        }
    }
    // Frees the nodes found along the keys' paths, as trieDelete would free them, without
    // searching the 256 slots of every node for children: that search cost most of a parse.
    ~KeyTrie() {
        std::array<TrieNode *, keyNodesAtMost()> nodes{};
        std::size_t count = 0;
        for (const Key &key : parameterKeys) {
            TrieNode *node = &root_;
            for (const char byte : key.name) {
                node = node->children[static_cast<std::uint8_t>(byte)];
                if (node == nullptr) {
                    break; // a registration that failed here
                }
                if (std::find(nodes.begin(), nodes.begin() + count, node) ==
                    nodes.begin() + count) {
                    nodes[count++] = node;
                }
            }
        }
        std::for_each(nodes.begin(), nodes.begin() + count, [](TrieNode *n) { std::free(n); });
        trieInit(&root_);
    }
    KeyTrie(const KeyTrie &) = delete;
    KeyTrie &operator=(const KeyTrie &) = delete;

    int status() const { return status_; }
    void dispatch(std::uint8_t *token, std::size_t length, Parameters &parameters) {
        trieSearch(&root_, token, static_cast<int>(length), &parameters);
    }

private:
    TrieNode root_;
    int status_ = 0;
};

// Padding included, so callers may compare records byte for byte.
void initialise(Parameters &parameters) {
    std::memset(&parameters, 0, sizeof parameters);
    parameters.valid = 1;
}

} // namespace
} // namespace qrvx

extern "C" QRVX_API int qrvxParseGraphicsParameters(const uint8_t *block, uint32_t blockLength,
                                                    qrvxGraphicsParameters *out) {
    using namespace qrvx;
    if (out == nullptr) {
        return -EINVAL;
    }
    initialise(*out);
    if (block == nullptr) {
        return 0;
    }
    const std::uint32_t length = parameterBlockLength(Bytes(block, blockLength));
    if (length == 0) {
        return 0;
    }
    // The text ends at the closing "*" or at its first zero byte; the copy keeps it terminated.
    const std::uint32_t textLength = length - 4;
    auto copy = allocateZeroed<std::uint8_t>(length);
    if (!copy) {
        return -ENOMEM;
    }
    std::memcpy(copy.get(), block + 3, textLength);
    trace::log(trace::Level::debug, "qrvxParseGraphicsParameters", 947, "GRAPHIC PARAM: %s",
               reinterpret_cast<const char *>(copy.get()));

    KeyTrie keys;
    if (keys.status() != 0) {
        return keys.status();
    }
    const std::size_t textEnd = std::strlen(reinterpret_cast<const char *>(copy.get()));
    std::size_t tokenStart = 0;
    for (std::size_t pos = 0; pos <= textEnd; ++pos) {
        if (pos == textEnd || copy[pos] == ',') {
            copy[pos] = 0;
            keys.dispatch(copy.get() + tokenStart, pos - tokenStart, *out);
            tokenStart = pos + 1;
        }
    }
    return out->valid == 0 ? -EINVAL : 0;
}
