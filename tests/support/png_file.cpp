#include "png_file.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace qrvx::test {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

void quietWarning(png_structp, png_const_charp) {}

// Plain data only in the frame that calls setjmp.
bool readInto(std::FILE *file, png_structp png, png_infop info, PngFile &out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bitDepth = png_get_bit_depth(png, info);
    out.colourType = png_get_color_type(png, info);
    out.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (out.bitDepth != 8 || out.colourType != PNG_COLOR_TYPE_RGB || out.interlaced) {
        return false;
    }
    out.rgb.resize(std::size_t{out.width} * out.height * 3);
    for (std::uint32_t y = 0; y < out.height; ++y) {
        png_read_row(png, out.rgb.data() + std::size_t{y} * out.width * 3, nullptr);
    }
    png_read_end(png, info);
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        out.texts.emplace_back(texts[i].key, texts[i].text != nullptr ? texts[i].text : "");
    }
    return true;
}

} // namespace

std::optional<PngFile> readPngFile(const std::string &path) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return std::nullopt;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    PngFile out;
    const bool ok = info != nullptr && readInto(file.get(), png, info, out);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

} // namespace qrvx::test
