// A PNG of any colour type and bit depth to 8-bit RGB through libpng's read transforms.
#include "author.hpp"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace qrvx::author {
namespace {

constexpr std::size_t signatureSize = 8;
constexpr std::uint8_t opaqueFrom = 128; // alpha at or above this keeps the pixel's colour

// Plain data only: the frames that arm libpng's error return are left by longjmp.
struct PngJob {
    ByteSpan bytes;
    std::size_t offset;
    char message[160]; // libpng's last error
    png_uint_32 width, height;
    png_size_t rowBytes;
    int channels; // 3 (RGB) or 4 (RGBA) after the transforms
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
    auto &job = *static_cast<PngJob *>(png_get_io_ptr(png));
    if (count > job.bytes.size() - job.offset) {
        png_error(png, "the data ends early");
    }
    std::memcpy(out, job.bytes.data() + job.offset, count);
    job.offset += count;
}

// Keeps the message and jumps back at once, so that libpng prints nothing itself.
void recordError(png_structp png, png_const_charp message) {
    auto &job = *static_cast<PngJob *>(png_get_error_ptr(png));
    std::snprintf(job.message, sizeof job.message, "%s", message != nullptr ? message : "");
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The read and info structures of one image, destroyed in the frame that holds no setjmp.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngReader() = default;
    PngReader(const PngReader &) = delete;
    PngReader &operator=(const PngReader &) = delete;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Header and transforms: palette and low bit depths expanded, tRNS made alpha, gray made RGB,
// 16 bits cut to 8. false after a libpng error.
bool readHeader(PngReader &reader, PngJob &job) {
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, &job, readBytes);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job.width = png_get_image_width(png, info);
    job.height = png_get_image_height(png, info);
    job.rowBytes = png_get_rowbytes(png, info);
    job.channels = png_get_channels(png, info);
    return true;
}

bool readRows(PngReader &reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

std::error_code corrupt(const PngJob &job, std::string *reason) {
    return refuse(reason, Errc::corruptPng, std::string("libpng: ") + job.message);
}

// Decoded pixels, channels bytes each, to RGB with the transparent ones replaced.
void toRgb(const Bytes &decoded, int channels, Rgb transparent, Image &image) {
    const std::size_t pixels = std::size_t{image.width} * image.height;
    image.rgb.assign(pixels * 3, 0);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t *in = decoded.data() + i * static_cast<std::size_t>(channels);
        const bool clear = channels == 4 && in[3] < opaqueFrom;
        image.rgb[3 * i] = clear ? transparent.red : in[0];
        image.rgb[3 * i + 1] = clear ? transparent.green : in[1];
        image.rgb[3 * i + 2] = clear ? transparent.blue : in[2];
    }
}

std::error_code checkSignature(ByteSpan png, std::string *reason) {
    const std::size_t checked = std::min(png.size(), signatureSize);
    if (checked == 0 || png_sig_cmp(png.data(), 0, checked) != 0) {
        return refuse(reason, Errc::notPng, "no PNG signature");
    }
    if (checked < signatureSize) {
        return refuse(reason, Errc::corruptPng, "the data ends in the signature");
    }
    return {};
}

Result<Image> decodePng(ByteSpan bytes, Rgb transparent, std::string *reason) {
    if (const std::error_code error = checkSignature(bytes, reason)) {
        return error;
    }
    PngJob job{bytes, 0, {}, 0, 0, 0, 0};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, recordError, ignoreWarning);
    reader.info = reader.png != nullptr ? png_create_info_struct(reader.png) : nullptr;
    if (reader.info == nullptr) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    if (!readHeader(reader, job)) {
        return corrupt(job, reason);
    }
    const std::string size = std::to_string(job.width) + " x " + std::to_string(job.height);
    if (job.width == 0 || job.height == 0) {
        return refuse(reason, Errc::emptyImage, size);
    }
    // No graphic holds more pixels than 32 bits count.
    if (std::uint64_t{job.width} * job.height > std::numeric_limits<std::uint32_t>::max()) {
        return refuse(reason, Errc::imageTooLarge, size);
    }
    if (std::uint64_t{job.rowBytes} * job.height > std::numeric_limits<std::size_t>::max() / 2) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    Bytes decoded(job.rowBytes * job.height);
    std::vector<png_bytep> rows(job.height);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = decoded.data() + y * job.rowBytes;
    }
    if (!readRows(reader, rows.data())) {
        return corrupt(job, reason);
    }
    Image image{job.width, job.height, {}};
    toRgb(decoded, job.channels, transparent, image);
    return image;
}

} // namespace

Result<Image> readPng(ByteSpan png, Rgb transparent, std::string *reason) noexcept {
    try {
        return decodePng(png, transparent, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

Result<Image> readPngFile(const char *path, Rgb transparent, std::string *reason) noexcept {
    try {
        errno = 0;
        std::FILE *file = std::fopen(path, "rb");
        if (file == nullptr) {
            return std::error_code(errno != 0 ? errno : EIO, std::generic_category());
        }
        Bytes bytes;
        std::uint8_t chunk[1 << 16];
        for (std::size_t count; (count = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            bytes.insert(bytes.end(), chunk, chunk + count);
        }
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            return std::make_error_code(std::errc::io_error);
        }
        return decodePng(bytes, transparent, reason);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::author
