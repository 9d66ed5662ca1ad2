// The fonts built into the library: read through FreeType like any other font, once a process,
// and then shared.
#include "text.hpp"

#include <mutex>

namespace qrvx::text {
namespace {

std::optional<std::size_t> indexOf(std::string_view name) {
    const std::span<const BuiltInFont> fonts = detail::builtInFontTable();
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        if (fonts[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

// What reading a built-in font gave, kept for every later load.
struct ReadFont {
    std::once_flag once;
    FontDataPointer data;
    std::error_code error;
    std::string reason;
};

ReadFont &readFontAt(std::size_t index) {
    static const std::unique_ptr<ReadFont[]> fonts(new ReadFont[detail::builtInFontTable().size()]);
    return fonts[index];
}

} // namespace

std::span<const BuiltInFont> builtInFonts() noexcept {
    return detail::builtInFontTable();
}

ByteSpan builtInFontBytes(std::string_view name) noexcept {
    const std::optional<std::size_t> index = indexOf(name);
    if (!index) {
        return {};
    }
    const detail::EmbeddedFont &file = detail::embeddedFontTable()[*index];
    return {file.bytes, *file.size};
}

Result<FontDataPointer> builtInFontData(std::string_view name, std::string *reason) {
    const std::optional<std::size_t> index = indexOf(name);
    if (!index) {
        return refuse(reason, Errc::fontNotFound, std::string(name) + ": no such built-in font");
    }
    ReadFont &font = readFontAt(*index);
    std::call_once(font.once, [&] {
        const FontRequest request{std::string(name), std::nullopt, 0, true, ""};
        auto data = readFont(builtInFontBytes(name), request, &font.reason);
        if (data) {
            font.data = std::move(*data);
        } else {
            font.error = data.error();
        }
    });
    if (font.error) {
        return refuse(reason, font.error, font.reason);
    }
    return font.data;
}

} // namespace qrvx::text
