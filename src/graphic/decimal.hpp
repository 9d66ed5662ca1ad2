// Decimal numbers in parameter text, read the way the C library's strtol and scanf read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace qrvx {

struct DecimalScan {
    bool negative = false;
    std::uint64_t magnitude = 0; // saturates at the 64-bit maximum
    bool saturated = false;
    std::size_t end = 0; // bytes consumed; 0 when no digit was found
};

constexpr bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Leading white space, an optional sign, then as many digits as follow.
constexpr DecimalScan scanDecimal(std::string_view text) {
    DecimalScan scan;
    std::size_t pos = 0;
    while (pos < text.size() && isCSpace(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        scan.negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t firstDigit = pos;
    constexpr auto limit = std::numeric_limits<std::uint64_t>::max();
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        const auto digit = static_cast<std::uint64_t>(text[pos] - '0');
        if (scan.magnitude > (limit - digit) / 10) {
            scan.saturated = true;
            scan.magnitude = limit;
        } else {
            scan.magnitude = scan.magnitude * 10 + digit;
        }
    }
    scan.end = pos > firstDigit ? pos : 0;
    return scan;
}

// A whole decimal integer (strtol in base 10 consumes all of it), saturated to 32 bits.
constexpr std::optional<std::int32_t> wholeDecimal(std::string_view text) {
    const DecimalScan scan = scanDecimal(text);
    if (scan.end == 0 || scan.end != text.size()) {
        return std::nullopt;
    }
    constexpr std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();
    if (scan.negative) {
        if (scan.magnitude > maxPositive + 1) {
            return std::numeric_limits<std::int32_t>::min();
        }
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(scan.magnitude));
    }
    return static_cast<std::int32_t>(scan.magnitude > maxPositive ? maxPositive : scan.magnitude);
}

struct ShortScan {
    std::uint16_t value;
    std::size_t end;
};

// One "%hu" conversion at the start of text: a sign negates modulo 2^64 as strtoul does, an
// overflow gives the maximum, and the result keeps its low 16 bits.
constexpr std::optional<ShortScan> scanUnsignedShort(std::string_view text) {
    const DecimalScan scan = scanDecimal(text);
    if (scan.end == 0) {
        return std::nullopt;
    }
    std::uint64_t value = scan.magnitude;
    if (scan.negative && !scan.saturated) {
        value = ~value + 1;
    }
    return ShortScan{static_cast<std::uint16_t>(value & 0xFFFFu), scan.end};
}

static_assert(wholeDecimal("42") == 42);
static_assert(wholeDecimal(" -7") == -7);
static_assert(wholeDecimal("+0") == 0);
static_assert(!wholeDecimal("12x") && !wholeDecimal("") && !wholeDecimal("-") &&
              !wholeDecimal("5 "));
static_assert(wholeDecimal("99999999999") == std::numeric_limits<std::int32_t>::max());
static_assert(wholeDecimal("-99999999999") == std::numeric_limits<std::int32_t>::min());
static_assert(wholeDecimal("-2147483648") == std::numeric_limits<std::int32_t>::min());
static_assert(scanUnsignedShort("65537/")->value == 1 && scanUnsignedShort("65537/")->end == 5);
static_assert(scanUnsignedShort("-1")->value == 0xFFFF);
static_assert(scanUnsignedShort("99999999999999999999999")->value == 0xFFFF);

} // namespace qrvx
