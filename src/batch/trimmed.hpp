// A cell without what surrounds its text: the blanks inside a quoted cell or around a value split
// from a cell (libcsv takes them off an unquoted cell), the line breaks a table's cells do not
// keep.
#pragma once

#include <string_view>

namespace qrvx::batch {

// text without the characters of `around` at either end.
template <class Around>
std::string_view trimmed(std::string_view text, Around around) {
    while (!text.empty() && around(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && around(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Without the spaces and tabs around it.
inline std::string_view withoutBlanks(std::string_view cell) {
    return trimmed(cell, [](char c) { return c == ' ' || c == '\t'; });
}

// Without the spaces, tabs and line breaks around it.
inline std::string_view withoutSpaces(std::string_view cell) {
    return trimmed(cell, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

} // namespace qrvx::batch
