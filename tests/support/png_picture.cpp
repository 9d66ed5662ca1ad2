#include "png_picture.hpp"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <iterator>

namespace qrvx::test {
namespace {

void append(png_structp png, png_bytep data, png_size_t length) {
    auto &out = *static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
    out.insert(out.end(), data, data + length);
}

void setTransparency(png_structp png, png_infop info, const PngPicture &picture) {
    png_color palette[PNG_MAX_PALETTE_LENGTH]{}; // plain: libpng may longjmp past this frame
    const std::size_t count = std::min<std::size_t>(picture.palette.size(), std::size(palette));
    for (std::size_t i = 0; i < count; ++i) {
        palette[i] = {picture.palette[i][0], picture.palette[i][1], picture.palette[i][2]};
    }
    if (count > 0) {
        png_set_PLTE(png, info, palette, static_cast<int>(count));
    }
    png_color_16 gray{0, 0, 0, 0, picture.transparentGray.value_or(0)};
    if (!picture.alphas.empty() || picture.transparentGray) {
        png_set_tRNS(png, info, picture.alphas.data(), static_cast<int>(picture.alphas.size()),
                     &gray);
    }
}

// Holds nothing with a destructor: libpng's errors leave it through longjmp.
bool write(const PngPicture &picture, std::vector<std::uint8_t> &out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, append, nullptr);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    setTransparency(png, info, picture);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    const std::size_t rowBytes = picture.rows.size() / picture.height;
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            png_write_row(png, picture.rows.data() + y * rowBytes);
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<std::uint8_t> pngBytes(const PngPicture &picture) {
    std::vector<std::uint8_t> out;
    if (picture.height == 0 || !write(picture, out)) {
        out.clear();
    }
    return out;
}

} // namespace qrvx::test
