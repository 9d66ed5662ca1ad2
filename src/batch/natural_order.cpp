#include "natural_order.hpp"

#include <cstddef>

namespace qrvx::batch {
namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

unsigned char folded(char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The run of digits at the start of text, without its leading zeros; text moves past it.
std::string_view takeNumber(std::string_view &text) {
    std::size_t end = 0;
    while (end < text.size() && digit(text[end])) {
        ++end;
    }
    std::string_view number = text.substr(0, end);
    text.remove_prefix(end);
    while (number.size() > 1 && number.front() == '0') {
        number.remove_prefix(1);
    }
    return number;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

} // namespace

int naturalCompare(std::string_view one, std::string_view other) {
    std::string_view a = one;
    std::string_view b = other;
    while (!a.empty() && !b.empty()) {
        if (digit(a.front()) && digit(b.front())) {
            const std::string_view x = takeNumber(a);
            const std::string_view y = takeNumber(b);
            if (x.size() != y.size()) {
                return x.size() < y.size() ? -1 : 1;
            }
            if (const int order = x.compare(y); order != 0) {
                return sign(order);
            }
            continue;
        }
        if (folded(a.front()) != folded(b.front())) {
            return folded(a.front()) < folded(b.front()) ? -1 : 1;
        }
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    if (a.size() != b.size()) {
        return a.empty() ? -1 : 1;
    }
    return sign(one.compare(other));
}

} // namespace qrvx::batch
