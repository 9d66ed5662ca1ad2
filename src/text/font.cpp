// Fonts by name: a built-in font, a file (with its pixel size after "@"), or a fontconfig
// pattern; and the read-only face of a loaded font.
#include "text.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

namespace qrvx::text {
namespace {

constexpr std::size_t maxFileSize = std::size_t{256} << 20;

struct FileCloser {
    void operator()(std::FILE *file) const noexcept { std::fclose(file); }
};

std::error_code fileError(std::string *reason, const std::string &path, int error) {
    if (error == ENOENT || error == ENOTDIR) {
        return refuse(reason, Errc::fontNotFound, path + ": no such font file");
    }
    return refuse(reason, std::error_code(error, std::generic_category()),
                  path + ": " + std::strerror(error));
}

Result<std::vector<std::uint8_t>> readFile(const std::string &path, std::string *reason) {
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return fileError(reason, path, errno);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        if (bytes.size() + got > maxFileSize) {
            return refuse(reason, Errc::fontUnreadable, path + ": larger than 256 MiB");
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (std::ferror(file.get()) != 0) {
        return fileError(reason, path, errno != 0 ? errno : EIO);
    }
    return bytes;
}

// "name@12": the name and its pixel size, when the part after the last "@" is a number.
std::pair<std::string_view, std::optional<std::uint32_t>> splitSize(std::string_view fontName) {
    const std::size_t at = fontName.rfind('@');
    const std::string_view digits = at == std::string_view::npos ? "" : fontName.substr(at + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })) {
        return {fontName, std::nullopt};
    }
    std::uint32_t size = 0;
    for (const char digit : digits) {
        size = size * 10 + static_cast<std::uint32_t>(digit - '0');
    }
    return {fontName.substr(0, at), size};
}

// A name that ends like a font file is meant as one, even when there is no such file.
bool namesAFile(std::string_view name) {
    for (const std::string_view ending :
         {".bdf", ".pcf", ".pcf.gz", ".otb", ".ttf", ".otf", ".ttc"}) {
        if (name.ends_with(ending)) {
            return true;
        }
    }
    return name.find('/') != std::string_view::npos;
}

bool isFile(std::string_view path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ignored);
}

// What a font name asks for: a built-in font, or a file and how to read it.
struct FontSource {
    bool builtIn = false;
    std::string path;
    FontRequest request;
};

Result<FontSource> sourceOfPattern(std::string_view pattern, std::string *reason) {
    const auto match = matchFontPattern(pattern, reason);
    if (!match) {
        return match.error();
    }
    return FontSource{false, match->file,
                      FontRequest{std::string(pattern), match->pixelSize, match->faceIndex, false,
                                  std::string(pattern) + ":pixelsize=N"}};
}

Result<FontSource> sourceOf(std::string_view fontName, std::string *reason) {
    if (!builtInFontBytes(fontName).empty()) {
        return FontSource{true, {}, {std::string(fontName), std::nullopt, 0, true, ""}};
    }
    const auto [path, size] = isFile(fontName) ? std::pair(fontName, std::optional<std::uint32_t>())
                                               : splitSize(fontName);
    if (namesAFile(path) || isFile(path)) {
        return FontSource{
            false, std::string(path),
            FontRequest{std::string(fontName), size, 0, false, std::string(path) + "@N"}};
    }
    return sourceOfPattern(fontName, reason);
}

Result<FontDataPointer> loadSource(const FontSource &source, std::string *reason) {
    if (source.builtIn) {
        return builtInFontData(source.request.name, reason);
    }
    const auto bytes = readFile(source.path, reason);
    if (!bytes) {
        return bytes.error();
    }
    return readFont(*bytes, source.request, reason);
}

// The request for one size of a font asked for without one, named as if asked with it.
FontRequest sizedRequest(const FontRequest &request, std::uint32_t size) {
    FontRequest sized = request;
    sized.pixelSize = size;
    sized.name = request.sizeHint.substr(0, request.sizeHint.size() - 1) + std::to_string(size);
    return sized;
}

} // namespace

Font::Font(std::shared_ptr<const detail::FontData> data) noexcept : data_(std::move(data)) {}

Result<Font> Font::load(std::string_view fontName, std::string *reason) noexcept {
    try {
        const auto source = sourceOf(fontName, reason);
        if (!source) {
            return source.error();
        }
        const auto data = loadSource(*source, reason);
        if (!data) {
            return data.error();
        }
        return Font(*data);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

Result<std::vector<Font>> Font::loadSizes(std::string_view fontName, std::uint32_t rows,
                                          std::string *reason) noexcept {
    try {
        const auto source = sourceOf(fontName, reason);
        if (!source) {
            return source.error();
        }
        if (source->builtIn || source->request.pixelSize) {
            const auto data = loadSource(*source, reason);
            return data ? Result<std::vector<Font>>(std::vector{Font(*data)}) : data.error();
        }
        const auto bytes = readFile(source->path, reason);
        if (!bytes) {
            return bytes.error();
        }
        const auto sizes = sizesToTry(*bytes, source->request, rows, reason);
        if (!sizes) {
            return sizes.error();
        }
        std::vector<Font> fonts;
        for (const std::uint32_t size : *sizes) {
            const auto data = readFont(*bytes, sizedRequest(source->request, size), reason);
            if (!data) {
                return data.error();
            }
            fonts.push_back(Font(*data));
        }
        if (fonts.empty()) {
            const auto data = readFont(*bytes, source->request, reason);
            if (!data) {
                return data.error();
            }
            fonts.push_back(Font(*data));
        }
        return fonts;
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

Result<Font> Font::fromMemory(ByteSpan bytes, std::string_view name,
                              std::optional<std::uint32_t> pixelSize,
                              std::string *reason) noexcept {
    try {
        const FontRequest request{std::string(name), pixelSize, 0, false, ""};
        const auto data = readFont(bytes, request, reason);
        if (!data) {
            return data.error();
        }
        return Font(*data);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

const std::string &Font::name() const noexcept {
    return data_->name;
}

bool Font::builtIn() const noexcept {
    return data_->builtIn;
}

bool Font::condensed() const noexcept {
    return data_->condensed;
}

std::uint32_t Font::pixelSize() const noexcept {
    return data_->pixelSize;
}

std::int32_t Font::ascent() const noexcept {
    return data_->ascent;
}

std::int32_t Font::descent() const noexcept {
    return data_->descent;
}

std::int32_t Font::capHeight() const noexcept {
    return data_->capHeight;
}

std::uint32_t Font::naturalSpacing() const noexcept {
    return data_->builtIn ? 1 : 0;
}

std::optional<std::size_t> detail::FontData::indexOf(char32_t character) const noexcept {
    if (character < quickCharacters && !quickIndex.empty()) {
        const std::uint16_t plusOne = quickIndex[character];
        return plusOne != 0 ? std::optional<std::size_t>(plusOne - 1u) : std::nullopt;
    }
    const auto found = std::ranges::lower_bound(characters, character);
    if (found == characters.end() || *found != character) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - characters.begin());
}

const Glyph *Font::glyph(char32_t character) const noexcept {
    const auto index = data_->indexOf(character);
    return index ? &data_->glyphs[*index] : nullptr;
}

std::size_t Font::glyphCount() const noexcept {
    return data_->glyphs.size();
}

} // namespace qrvx::text
