// The parameter text: the keys encoding writes, then the caller's, each of which the library
// must read as given.
#include "author.hpp"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

namespace qrvx::author {
namespace {

constexpr std::size_t maxTextLength = 0xFF;

// The library's record of text as a whole parameter block; nothing when the text is longer than
// a block holds (255 bytes) or the library refuses it.
std::optional<qrvxGraphicsParameters> readParameters(std::string_view text) {
    if (text.size() > maxTextLength) {
        return std::nullopt;
    }
    const std::string block = parameterBlock(text);
    qrvxGraphicsParameters parameters;
    std::memset(&parameters, 0, sizeof parameters);
    if (qrvxParseGraphicsParameters(reinterpret_cast<const std::uint8_t *>(block.data()),
                                    static_cast<std::uint32_t>(block.size()), &parameters) != 0) {
        return std::nullopt;
    }
    return parameters;
}

bool sameRecord(const qrvxGraphicsParameters &a, const qrvxGraphicsParameters &b) {
    return std::memcmp(&a, &b, sizeof a) == 0; // the library zeroes the padding too
}

// Length of the key at the start of token: the shortest start that the library, reading it
// alone, records anything for. 0 when there is none or the library refuses the key.
std::size_t keyLength(std::string_view token) {
    const auto initial = readParameters({});
    for (std::size_t length = 1; length <= token.size(); ++length) {
        const auto read = readParameters(token.substr(0, length));
        if (!read) {
            return 0;
        }
        if (!sameRecord(*read, *initial)) {
            return length;
        }
    }
    return 0;
}

template <typename Number>
bool isDecimal(std::string_view text, Number &number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

// Values written as the library reads them: decimal integers of 32 bits, and "a/b/c" of 16 bits
// after "@RP".
bool readableValue(std::string_view key, std::string_view value) {
    if (value.empty()) {
        return true;
    }
    if (key != "@RP") {
        std::int32_t number = 0;
        return isDecimal(value, number);
    }
    for (int i = 0; i < 3; ++i) {
        const std::size_t slash = value.find('/');
        std::uint16_t number = 0;
        if ((i < 2) == (slash == std::string_view::npos) ||
            !isDecimal(value.substr(0, slash), number)) {
            return false;
        }
        value.remove_prefix(i < 2 ? slash + 1 : value.size());
    }
    return true;
}

std::vector<std::string_view> ownKeyNames(const Options &options) {
    std::vector<std::string_view> names{"VE", "HE", "CS", "PA", "PB", "PC", "PD"};
    if (options.routeNumber) {
        names.insert(names.end(), {"@RP", "RL", "RR"});
    }
    return names;
}

std::error_code checkToken(std::string_view token, const Options &options, std::string *reason) {
    for (const std::string_view own : ownKeyNames(options)) {
        if (token.starts_with(own)) {
            return refuse(reason, Errc::contradictingKey, "'" + std::string(token) + "'");
        }
    }
    const std::size_t key = token.find('\0') == std::string_view::npos ? keyLength(token) : 0;
    if (key == 0 || !readableValue(token.substr(0, key), token.substr(key))) {
        return refuse(reason, Errc::unreadableKey, "'" + std::string(token) + "'");
    }
    return {};
}

} // namespace

std::string parameterBlock(std::string_view text) {
    char length[3];
    std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(text.size()));
    std::string block = "*";
    block.append(length).append(text).push_back('*');
    return block;
}

Result<std::string> parameterText(const std::string &ownText, const Options &options,
                                  std::string *reason) {
    std::string text = ownText;
    if (!options.keys.empty()) {
        text.append(",").append(options.keys);
    }
    if (text.size() > maxTextLength) {
        return refuse(reason, Errc::parameterTextTooLong, std::to_string(text.size()) + " bytes");
    }
    for (std::string_view keys = options.keys; !keys.empty();) {
        const std::size_t comma = std::min(keys.find(','), keys.size());
        if (comma > 0) {
            if (const std::error_code error = checkToken(keys.substr(0, comma), options, reason)) {
                return error;
            }
        }
        keys.remove_prefix(std::min(comma + 1, keys.size()));
    }
    return text;
}

} // namespace qrvx::author
