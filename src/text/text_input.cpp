// Text as it is drawn: valid UTF-8 without control characters, normalised to NFC so that a
// letter and its decomposed form draw alike.
#include "text.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace qrvx::text {
namespace {

struct FreeDeleter {
    void operator()(void *memory) const noexcept { std::free(memory); }
};

// C0, DEL and C1: newline, tab and their kind have no place on a sign.
bool isControl(utf8proc_int32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

const utf8proc_uint8_t *bytesOf(std::string_view text) {
    return reinterpret_cast<const utf8proc_uint8_t *>(text.data());
}

// The characters of valid UTF-8.
std::u32string charactersOf(std::string_view utf8) {
    std::u32string characters;
    for (std::size_t at = 0; at < utf8.size();) {
        utf8proc_int32_t character = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(
            bytesOf(utf8.substr(at)), static_cast<utf8proc_ssize_t>(utf8.size() - at), &character);
        at += static_cast<std::size_t>(length);
        characters += static_cast<char32_t>(character);
    }
    return characters;
}

std::error_code checkCharacters(std::string_view text, std::string_view what, std::string *reason) {
    for (std::size_t at = 0; at < text.size();) {
        utf8proc_int32_t character = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(
            bytesOf(text.substr(at)), static_cast<utf8proc_ssize_t>(text.size() - at), &character);
        const std::string where = std::string(what) + ": ";
        if (length <= 0) {
            return refuse(reason, Errc::invalidUtf8,
                          where + "invalid UTF-8 at byte " + std::to_string(at));
        }
        if (isControl(character)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
            return refuse(reason, Errc::missingCharacter,
                          where + "control character " + code + " at byte " + std::to_string(at) +
                              " cannot be drawn");
        }
        at += static_cast<std::size_t>(length);
    }
    return {};
}

} // namespace

std::string utf8Of(std::u32string_view characters) {
    std::string utf8;
    for (const char32_t character : characters) {
        utf8proc_uint8_t bytes[4];
        const utf8proc_ssize_t length =
            utf8proc_encode_char(static_cast<utf8proc_int32_t>(character), bytes);
        utf8.append(reinterpret_cast<const char *>(bytes), static_cast<std::size_t>(length));
    }
    return utf8;
}

bool isLetterOrDigit(char32_t character) {
    const auto category = utf8proc_category(static_cast<utf8proc_int32_t>(character));
    return (category >= UTF8PROC_CATEGORY_LU && category <= UTF8PROC_CATEGORY_LO) ||
           (category >= UTF8PROC_CATEGORY_ND && category <= UTF8PROC_CATEGORY_NO);
}

std::string characterName(char32_t character) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
    return std::string(code) + " \"" + utf8Of({&character, 1}) + "\"";
}

Result<CheckedText> checkText(std::string_view text, std::string_view what, std::string *reason) {
    if (const std::error_code error = checkCharacters(text, what, reason)) {
        return error;
    }
    if (std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return CheckedText{std::string(text), std::u32string(text.begin(), text.end())};
    }
    utf8proc_uint8_t *mapped = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(bytesOf(text), static_cast<utf8proc_ssize_t>(text.size()), &mapped,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owner(mapped);
    if (length < 0) {
        if (length == UTF8PROC_ERROR_NOMEM) {
            throw std::bad_alloc();
        }
        return refuse(reason, Errc::invalidUtf8,
                      std::string(what) + ": " + utf8proc_errmsg(length));
    }
    CheckedText checked;
    checked.utf8.assign(reinterpret_cast<const char *>(mapped), static_cast<std::size_t>(length));
    checked.characters = charactersOf(checked.utf8);
    return checked;
}

} // namespace qrvx::text
