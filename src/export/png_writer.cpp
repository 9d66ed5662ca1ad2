// Writing a decoded graphic as an 8-bit RGB PNG through libpng, one row at a time.
#include "heap.hpp"
#include "log/trace.hpp"

#include "qrvx.h"

#include <png.h>

#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace qrvx {
namespace {

using trace::Level;

constexpr const char *converter = "QRVX_convertToPNG";

// libpng's error and warning function. After an error libpng's default handling takes over
// when this returns and jumps back to the point armed in writePng.
void qrvxPrintPNGDebugMessage(png_structp, png_const_charp message) {
    trace::log(Level::debug, "qrvxPrintPNGDebugMessage", 1910, "[libpng] %s",
               message != nullptr ? message : "");
}

// Bits 0-7 of a caller's colour word; bits 24-31 of a palette word.
constexpr png_byte lowByte(std::uint32_t word) {
    return static_cast<png_byte>(word & 0xFFu);
}
constexpr png_byte highByte(std::uint32_t word) {
    return static_cast<png_byte>(word >> 24);
}

// The RGB bytes of every pixel value: through the palette (values past it are never decoded),
// or else the background for 0 and the foreground for any other value.
using Swatches = std::array<std::array<png_byte, 3>, 256>;

Swatches swatchesOf(const QRVX_Bitmap &bitmap, const QRVX_PNGOptions &options) {
    Swatches swatches{};
    for (std::size_t value = 0; value < swatches.size(); ++value) {
        if (bitmap.palette != nullptr) {
            if (value < bitmap.paletteCount) {
                const QRVX_Colour &c = bitmap.palette[value];
                swatches[value] = {highByte(c.red), highByte(c.green), highByte(c.blue)};
            }
        } else {
            const QRVX_Colour &c = value != 0 ? options.foreground : options.background;
            swatches[value] = {lowByte(c.red), lowByte(c.green), lowByte(c.blue)};
        }
    }
    return swatches;
}

// Row y of bitmap as RGB.
void fillRow(const QRVX_Bitmap &bitmap, const Swatches &swatches, std::uint32_t y, png_byte *row) {
    const std::uint8_t *pixel = bitmap.pixels + std::size_t{y} * bitmap.width;
    for (std::uint32_t x = 0; x < bitmap.width; ++x, row += 3) {
        std::memcpy(row, swatches[pixel[x]].data(), 3);
    }
}

// 3 x width bytes for an image whose rows libpng will take; 0 where that does not fit size_t.
// An image without rows, or wider than any PNG, fails at libpng's header check before a row is
// written: it gets one byte instead of a buffer sized by a width from a hostile line size.
std::size_t rowBufferSize(const QRVX_Bitmap &bitmap) {
    if (bitmap.width == 0 || bitmap.height == 0 || bitmap.width > PNG_UINT_31_MAX) {
        return 1;
    }
    const std::uint64_t bytes = std::uint64_t{3} * bitmap.width;
    return bytes <= std::numeric_limits<std::size_t>::max() ? static_cast<std::size_t>(bytes) : 0;
}

// Plain data only: writePng's frame is left by longjmp.
struct PngJob {
    const QRVX_Bitmap *bitmap;
    const QRVX_PNGOptions *options;
    std::FILE *stream;
    png_byte *row; // 3 x width bytes
};

// Header, title, rows and end. A libpng error leaves through longjmp.
void writeImage(png_structp png, png_infop info, const PngJob &job) {
    const QRVX_Bitmap &bitmap = *job.bitmap;
    png_set_IHDR(png, info, bitmap.width, bitmap.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text title{};
    title.compression = PNG_TEXT_COMPRESSION_NONE;
    title.key = const_cast<png_charp>("Title");
    title.text = const_cast<png_charp>(job.options->title != nullptr ? job.options->title : "");
    png_set_text(png, info, &title, 1);
    png_write_info(png, info);
    if (bitmap.palette == nullptr) {
        trace::log(Level::debug, converter, 2308, "Monochrome PNG");
    }
    const Swatches swatches = swatchesOf(bitmap, *job.options);
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        fillRow(bitmap, swatches, y, job.row);
        png_write_row(png, job.row);
    }
    png_write_end(png, info);
}

// The frame that arms libpng's error return; it owns nothing that needs a destructor.
// 0, -ENOMEM when a libpng structure cannot be created, -EIO when libpng fails.
int writePng(const PngJob &job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                              qrvxPrintPNGDebugMessage, qrvxPrintPNGDebugMessage);
    if (png == nullptr) {
        return -ENOMEM;
    }
    png_init_io(png, job.stream);
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return -ENOMEM;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        trace::log(Level::debug, converter, 2272, "PNG write Failed");
        png_destroy_write_struct(&png, &info);
        return -EIO;
    }
    writeImage(png, info, job);
    png_destroy_write_struct(&png, &info);
    return 0;
}

struct BitmapOwner {
    QRVX_Bitmap bitmap{};
    BitmapOwner() = default;
    BitmapOwner(const BitmapOwner &) = delete;
    BitmapOwner &operator=(const BitmapOwner &) = delete;
    ~BitmapOwner() { QRVX_free(&bitmap); }
};

// The output stream; closed on every path, and checked when the image is complete.
class OutputFile {
public:
    explicit OutputFile(std::FILE *stream) : stream_(stream) {}
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile() {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
    }

    std::FILE *get() const { return stream_; }

    // Flushes and closes; false when a write, the flush or the close failed.
    bool close() {
        std::FILE *stream = std::exchange(stream_, nullptr);
        const bool written = std::fflush(stream) == 0 && std::ferror(stream) == 0;
        const bool closed = std::fclose(stream) == 0;
        return written && closed;
    }

private:
    std::FILE *stream_;
};

} // namespace
} // namespace qrvx

extern "C" {

QRVX_API int QRVX_convertToPNG(const QRVX_Graphic *graphic, const QRVX_PNGOptions *options,
                               const char *fileName) {
    using qrvx::converter;
    using qrvx::trace::Level;
    if (options == nullptr || fileName == nullptr) {
        return -EINVAL;
    }
    qrvx::BitmapOwner owner;
    const QRVX_Bitmap &bitmap = owner.bitmap;
    if (const int result = QRVX_parse(graphic, &owner.bitmap)) {
        return result;
    }
    qrvx::trace::log(Level::debug, converter, 2245, "Bitmap Dimension %d x %d", bitmap.width,
                     bitmap.height);
    if (bitmap.pixels == nullptr) {
        return 0;
    }
    const std::size_t rowBytes = qrvx::rowBufferSize(bitmap);
    qrvx::HeapArray<png_byte> row(
        static_cast<png_byte *>(rowBytes != 0 ? std::malloc(rowBytes) : nullptr));
    if (row == nullptr) {
        return -ENOMEM;
    }
    errno = 0;
    std::FILE *opened = std::fopen(fileName, "wb");
    if (opened == nullptr) {
        const int error = errno;
        qrvx::trace::log(Level::debug, converter, 2350, "Unable to open %s", fileName);
        return error != 0 ? -error : -EIO;
    }
    qrvx::OutputFile file(opened);
    if (const int result = qrvx::writePng(qrvx::PngJob{&bitmap, options, file.get(), row.get()})) {
        return result;
    }
    if (!file.close()) {
        qrvx::trace::log(Level::debug, converter, 2272, "PNG write Failed");
        return -EIO;
    }
    qrvx::trace::log(Level::debug, converter, 2337, "SUCCESS: %s", fileName);
    return 0;
}

} // extern "C"
