#include "png_file.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace qrvx::test {
namespace {

// Holds no object with a destructor: libpng's errors leave it through longjmp.
bool readInto(std::FILE *stream, PngFile &file) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, stream);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr); // every text chunk lands in info
    png_get_IHDR(png, info, &file.width, &file.height, &file.bitDepth, &file.colourType,
                 &file.interlace, nullptr, nullptr);
    file.hasPalette = png_get_valid(png, info, PNG_INFO_PLTE) != 0;
    png_textp texts = nullptr;
    for (int i = 0, count = png_get_text(png, info, &texts, nullptr); i < count; ++i) {
        file.texts.emplace_back(texts[i].key, texts[i].text != nullptr ? texts[i].text : "");
    }
    const png_bytepp rows = png_get_rows(png, info);
    for (std::uint32_t y = 0; y < file.height; ++y) {
        file.rows.emplace_back(rows[y], rows[y] + png_get_rowbytes(png, info));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

std::optional<PngFile> readPng(const std::string &path) {
    std::FILE *stream = std::fopen(path.c_str(), "rb");
    if (stream == nullptr) {
        return std::nullopt;
    }
    PngFile file;
    const bool read = readInto(stream, file);
    std::fclose(stream);
    return read ? std::optional<PngFile>(std::move(file)) : std::nullopt;
}

} // namespace qrvx::test
