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

// What a header may declare, checked before libpng sizes a row by it. A side: libpng's usual
// limit, which keeps its row buffers to a few MiB. Pixels: a graphic counts them in 32 bits.
constexpr png_uint_32 maxSide = 1000000;
constexpr std::uint64_t maxPixels = std::numeric_limits<std::uint32_t>::max();
// Interlaced rows come in seven passes over the whole image, so it is read whole: kept modest.
constexpr std::uint64_t maxInterlacedPixels = std::uint64_t{1} << 20;

// Plain data only: the frames that arm libpng's error return are left by longjmp.
struct PngJob {
    ByteSpan bytes;
    std::size_t offset;
    char message[160]; // libpng's last error
    png_uint_32 width, height;
    bool interlaced;
    png_size_t rowBytes;
    int channels; // 3 (RGB) or 4 (RGBA) after the transforms
    int passes;   // 7 when interlaced, else 1
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

// The header and the chunks before the pixel data; nothing is sized by the image yet. libpng's
// own side limit is lifted to its largest so that checkDeclaredSize, not a bare "Invalid IHDR
// data", refuses a long side. Chunks other than those that make the image (text, profiles and
// the rest, never applied) are skipped unread, not inflated and kept. false after a libpng error.
bool readInfo(PngReader &reader, PngJob &job) {
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, &job, readBytes);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    job.width = png_get_image_width(png, info);
    job.height = png_get_image_height(png, info);
    job.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    return true;
}

// Transforms: palette and low bit depths expanded, tRNS made alpha, gray made RGB, 16 bits cut
// to 8; libpng allocates its row buffers here. false after a libpng error.
bool startRows(PngReader &reader, PngJob &job) {
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_strip_16(png);
    job.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job.rowBytes = png_get_rowbytes(png, info);
    job.channels = png_get_channels(png, info);
    return true;
}

// The next row of the current pass into row (which holds the earlier passes' pixels).
bool readRow(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_row(png, row, nullptr);
    return true;
}

bool readEnd(png_structp png) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_end(png, nullptr);
    return true;
}

std::error_code corrupt(const PngJob &job, std::string *reason, std::string where = {}) {
    return refuse(reason, Errc::corruptPng, std::string("libpng: ") + job.message + where);
}

std::string declared(const PngJob &job) {
    return "declares " + std::to_string(job.width) + " x " + std::to_string(job.height) + " pixels";
}

std::error_code checkDeclaredSize(const PngJob &job, std::string *reason) {
    const std::uint64_t pixels = std::uint64_t{job.width} * job.height;
    if (pixels == 0) {
        return refuse(reason, Errc::emptyImage,
                      std::to_string(job.width) + " x " + std::to_string(job.height));
    }
    if (job.width > maxSide || job.height > maxSide) {
        return refuse(reason, Errc::imageTooLarge,
                      declared(job) + "; a PNG is read at most " + std::to_string(maxSide) +
                          " pixels a side");
    }
    if (pixels > maxPixels) {
        return refuse(reason, Errc::imageTooLarge,
                      declared(job) + "; a graphic holds at most " + std::to_string(maxPixels) +
                          " pixels");
    }
    if (job.interlaced && pixels > maxInterlacedPixels) {
        return refuse(reason, Errc::imageTooLarge,
                      declared(job) + ", interlaced; an interlaced PNG is read at most " +
                          std::to_string(maxInterlacedPixels) +
                          " pixels (save it without interlacing)");
    }
    return {};
}

// A decoded row, channels bytes a pixel, appended to rgb as RGB with the transparent pixels
// replaced. rgb grows by doubling, so memory follows the rows that arrived, and stops at the
// whole image's size, so a complete image takes no more than that.
void appendRgb(const png_byte *row, const PngJob &job, Rgb transparent, std::size_t imageBytes,
               Bytes &rgb) {
    const std::size_t at = rgb.size();
    const std::size_t rowBytes = std::size_t{job.width} * 3;
    if (rgb.capacity() - at < rowBytes) {
        rgb.reserve(std::min(imageBytes, std::max(2 * rgb.capacity(), at + rowBytes)));
    }
    rgb.resize(at + rowBytes);
    const auto channels = static_cast<std::size_t>(job.channels);
    for (std::size_t x = 0; x < job.width; ++x) {
        const png_byte *in = row + x * channels;
        const bool clear = channels == 4 && in[3] < opaqueFrom;
        std::uint8_t *out = rgb.data() + at + 3 * x;
        out[0] = clear ? transparent.red : in[0];
        out[1] = clear ? transparent.green : in[1];
        out[2] = clear ? transparent.blue : in[2];
    }
}

// The rows as they arrive. Interlaced rows are whole only after the last pass, so those are
// decoded into the whole image first (its size was checked to be modest).
std::error_code readPixels(PngReader &reader, const PngJob &job, Rgb transparent, Image &image,
                           std::string *reason) {
    const std::size_t imageBytes = std::size_t{job.width} * job.height * 3;
    Bytes rows(job.interlaced ? job.rowBytes * job.height : job.rowBytes);
    for (int pass = 0; pass < job.passes; ++pass) {
        for (std::size_t y = 0; y < job.height; ++y) {
            png_byte *row = rows.data() + (job.interlaced ? y * job.rowBytes : 0);
            if (!readRow(reader.png, row)) {
                return corrupt(job, reason,
                               ", in row " + std::to_string(y + 1) + " of " +
                                   std::to_string(job.height));
            }
            if (!job.interlaced) {
                appendRgb(row, job, transparent, imageBytes, image.rgb);
            }
        }
    }
    for (std::size_t y = 0; job.interlaced && y < job.height; ++y) {
        appendRgb(rows.data() + y * job.rowBytes, job, transparent, imageBytes, image.rgb);
    }
    return readEnd(reader.png) ? std::error_code() : corrupt(job, reason);
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
    PngJob job{bytes, 0, {}, 0, 0, false, 0, 0, 0};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, recordError, ignoreWarning);
    reader.info = reader.png != nullptr ? png_create_info_struct(reader.png) : nullptr;
    if (reader.info == nullptr) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    if (!readInfo(reader, job)) {
        return corrupt(job, reason);
    }
    if (const std::error_code error = checkDeclaredSize(job, reason)) {
        return error;
    }
    if (!startRows(reader, job)) {
        return corrupt(job, reason);
    }
    Image image{job.width, job.height, {}};
    if (std::uint64_t{job.width} * job.height * 3 > image.rgb.max_size()) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    if (const std::error_code error = readPixels(reader, job, transparent, image, reason)) {
        return error;
    }
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
