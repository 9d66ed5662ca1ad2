#include "destination_code.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace qrvx::batch {
namespace {

constexpr std::size_t routeSlugLength = 8;
constexpr std::size_t headsignSlugLength = 22;
constexpr std::size_t hashLength = 8; // 40 bits in base 32

struct Spelling {
    char32_t letter;
    const char *ascii;
};

// Latin letters that Unicode does not decompose into a base letter and a mark.
constexpr std::array<Spelling, 26> spellings{{
    {U'ß', "ss"}, {U'ẞ', "SS"}, {U'æ', "ae"}, {U'Æ', "AE"}, {U'œ', "oe"}, {U'Œ', "OE"}, {U'ø', "o"},
    {U'Ø', "O"},  {U'ł', "l"},  {U'Ł', "L"},  {U'đ', "d"},  {U'Đ', "D"},  {U'ð', "d"},  {U'Ð', "D"},
    {U'þ', "th"}, {U'Þ', "Th"}, {U'ħ', "h"},  {U'Ħ', "H"},  {U'ı', "i"},  {U'ŀ', "l"},  {U'Ŀ', "L"},
    {U'ŧ', "t"},  {U'Ŧ', "T"},  {U'ŋ', "n"},  {U'Ŋ', "N"},  {U'ĸ', "k"},
}};

bool asciiAlphanumeric(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
}

// Apostrophes join a word ("Campbell's" Campbells) rather than split it.
bool apostrophe(char32_t c) {
    return c == U'\'' || c == U'\u2019' || c == U'\u02BC';
}

struct FreeDeleter {
    void operator()(utf8proc_uint8_t *text) const noexcept { std::free(text); }
};

// Compatibility forms to their letters, accents split off and dropped.
std::u32string withoutMarks(std::string_view text) {
    utf8proc_uint8_t *mapped = nullptr;
    const utf8proc_ssize_t length = utf8proc_map(
        reinterpret_cast<const utf8proc_uint8_t *>(text.data()),
        static_cast<utf8proc_ssize_t>(text.size()), &mapped,
        static_cast<utf8proc_option_t>(UTF8PROC_COMPAT | UTF8PROC_DECOMPOSE | UTF8PROC_STRIPMARK));
    const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owned(mapped);
    std::u32string characters;
    for (utf8proc_ssize_t at = 0; at < length;) {
        utf8proc_int32_t character = 0;
        const utf8proc_ssize_t size = utf8proc_iterate(mapped + at, length - at, &character);
        if (size <= 0) {
            break;
        }
        characters.push_back(static_cast<char32_t>(character));
        at += size;
    }
    return characters;
}

std::uint64_t pairHash(std::string_view route, std::string_view headsign) {
    std::uint64_t hash = 0xcbf29ce484222325u; // FNV-1a, byte by byte: the same on every machine
    const auto add = [&](std::string_view bytes) {
        for (const char c : bytes) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
        }
    };
    add(route);
    add(std::string_view("\x1F", 1)); // in no cell of a feed next to a route's name
    add(headsign);
    // Murmur's finaliser spreads every input bit over the high bits taken below.
    hash = (hash ^ (hash >> 33)) * 0xff51afd7ed558ccdu;
    hash = (hash ^ (hash >> 33)) * 0xc4ceb9fe1a85ec53u;
    return hash ^ (hash >> 33);
}

// Crockford's base 32: no i, l, o or u to misread.
std::string base32(std::uint64_t value, std::size_t digits) {
    constexpr std::string_view alphabet = "0123456789abcdefghjkmnpqrstvwxyz";
    std::string text(digits, '0');
    for (std::size_t at = 0; at < digits; ++at) {
        text[at] = alphabet[value >> 59];
        value <<= 5;
    }
    return text;
}

// text in ASCII letters and digits: accents dropped, letters without a decomposition spelled
// out (ł l, ß ss, æ ae, ...), everything else a "-" between words; at most length characters.
std::string asciiSlug(std::string_view text, std::size_t length) {
    std::string slug;
    bool gap = false;
    const auto append = [&](std::string_view letters) {
        if (gap && !slug.empty()) {
            slug += '-';
        }
        slug += letters;
        gap = false;
    };
    for (const char32_t c : withoutMarks(text)) {
        const auto spelled = std::ranges::find(spellings, c, &Spelling::letter);
        if (asciiAlphanumeric(c)) {
            append(std::string(1, static_cast<char>(c)));
        } else if (spelled != spellings.end()) {
            append(spelled->ascii);
        } else if (!apostrophe(c)) {
            gap = true;
        }
        if (slug.size() >= length) {
            break;
        }
    }
    slug.resize(std::min(slug.size(), length));
    while (slug.ends_with('-')) {
        slug.pop_back();
    }
    return slug;
}

} // namespace

std::string destinationCode(const std::optional<std::string> &route, std::string_view headsign) {
    const std::string_view routeName = route ? std::string_view(*route) : std::string_view();
    return asciiSlug(routeName, routeSlugLength) + '_' + asciiSlug(headsign, headsignSlugLength) +
           '_' + base32(pairHash(routeName, headsign), hashLength);
}

} // namespace qrvx::batch
