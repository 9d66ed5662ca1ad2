#include "png_file.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace qrvx::test {
namespace {

void collectTexts(png_structp png, png_infop info, PngFile &file) {
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        file.texts.emplace_back(texts[i].key, texts[i].text != nullptr ? texts[i].text : "");
    }
}

// Holds no object with a destructor: libpng's errors leave it through longjmp.
bool readInto(std::FILE *stream, PngFile &file) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    png_infop endInfo = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || endInfo == nullptr) {
        png_destroy_read_struct(&png, &info, &endInfo);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, &endInfo);
        return false;
    }
    png_init_io(png, stream);
    png_read_info(png, info);
    png_get_IHDR(png, info, &file.width, &file.height, &file.bitDepth, &file.colourType,
                 &file.interlace, nullptr, nullptr);
    file.hasPalette = png_get_valid(png, info, PNG_INFO_PLTE) != 0;
    collectTexts(png, info, file);
    file.rows.assign(file.height, std::vector<std::uint8_t>(png_get_rowbytes(png, info)));
    for (auto &row : file.rows) {
        png_read_row(png, row.data(), nullptr);
    }
    png_read_end(png, endInfo);
    collectTexts(png, endInfo, file);
    png_destroy_read_struct(&png, &info, &endInfo);
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
    if (!read) {
        return std::nullopt;
    }
    return file;
}

} // namespace qrvx::test
