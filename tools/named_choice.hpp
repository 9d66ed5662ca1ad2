// Options that take one of a few words: the words and what each stands for in one table, for
// CLI11's check and for reading the word back.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::cli {

template <typename T>
struct Named {
    std::string_view name;
    T value;
};

template <typename T, std::size_t N>
std::optional<T> valueNamed(const std::array<Named<T>, N> &choices, std::string_view name) {
    for (const Named<T> &choice : choices) {
        if (choice.name == name) {
            return choice.value;
        }
    }
    return std::nullopt;
}

template <typename T, std::size_t N>
std::vector<std::string> namesOf(const std::array<Named<T>, N> &choices) {
    std::vector<std::string> names;
    for (const Named<T> &choice : choices) {
        names.emplace_back(choice.name);
    }
    return names;
}

// "a|b|c", as help shows a value.
template <typename T, std::size_t N>
std::string choiceList(const std::array<Named<T>, N> &choices) {
    std::string list;
    for (const Named<T> &choice : choices) {
        list += (list.empty() ? "" : "|") + std::string(choice.name);
    }
    return list;
}

} // namespace qrvx::cli
