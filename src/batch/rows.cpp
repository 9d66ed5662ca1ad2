#include "rows.hpp"

#include "sign_options.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <numeric>

namespace qrvx::batch {
namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool lessIgnoringCase(std::string_view one, std::string_view other) {
    return std::ranges::lexicographical_compare(one, other,
                                                [](char a, char b) { return lower(a) < lower(b); });
}

bool equalIgnoringCase(std::string_view one, std::string_view other) {
    return std::ranges::equal(one, other, [](char a, char b) { return lower(a) == lower(b); });
}

} // namespace

bool validCode(std::string_view code) {
    return !code.empty() && code.size() <= maxRowCodeLength &&
           std::ranges::all_of(code, [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

bool validFaceName(std::string_view name) {
    return name.size() <= longestFaceName && validCode(name);
}

bool validSignName(std::string_view sign) {
    const std::size_t slash = sign.find('/');
    return slash == sign.npos
               ? validCode(sign)
               : validFaceName(sign.substr(0, slash)) && validCode(sign.substr(slash + 1));
}

void addDefaults(SignRequest &request, const SignRequest &defaults) {
    const bool route = request.options.contains("route") || defaults.options.contains("route");
    for (const auto &[name, values] : defaults.options) {
        if (route || std::ranges::find(routeStyleOptions, name) == routeStyleOptions.end()) {
            request.options.emplace(name, values); // unless the row gave it
        }
    }
}

bool Codes::add(std::string_view code, std::uint64_t line) {
    if (text_.size() + code.size() > 0xFFFFFFFFu) {
        return false;
    }
    text_ += code;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    lines_.push_back(line);
    return true;
}

std::string_view Codes::operator[](std::size_t row) const {
    const std::uint32_t start = row == 0 ? 0 : ends_[row - 1];
    return std::string_view(text_).substr(start, ends_[row] - start);
}

std::optional<std::pair<std::size_t, std::size_t>> Codes::duplicate() const {
    std::vector<std::uint32_t> order(size());
    std::iota(order.begin(), order.end(), 0u);
    std::ranges::stable_sort(order, [&](std::uint32_t one, std::uint32_t other) {
        return lessIgnoringCase((*this)[one], (*this)[other]);
    });
    std::optional<std::pair<std::size_t, std::size_t>> first;
    for (std::size_t at = 1; at < order.size(); ++at) {
        if (equalIgnoringCase((*this)[order[at - 1]], (*this)[order[at]]) &&
            (!first || order[at] < first->first)) {
            first = {{order[at], order[at - 1]}};
        }
    }
    return first;
}

} // namespace qrvx::batch
