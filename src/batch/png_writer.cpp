#include "png_writer.hpp"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <new>
#include <stdexcept>

namespace qrvx::batch {
namespace {

// libpng's own handler would print on stderr; the message is kept for the exception instead.
[[noreturn]] void onError(png_structp png, png_const_charp message) {
    *static_cast<std::string *>(png_get_error_ptr(png)) = message != nullptr ? message : "";
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void noFlush(png_structp) {}

// Whole bytes first, so that the compiler unrolls their pixels; the last byte is filled with 0.
template <int Bits>
void packAs(std::span<const std::uint8_t> indices, std::uint8_t *out) {
    constexpr std::size_t perByte = 8 / Bits;
    constexpr unsigned mask = (1u << Bits) - 1;
    const std::uint8_t *in = indices.data();
    const std::size_t whole = indices.size() / perByte;
    for (std::size_t byte = 0; byte < whole; ++byte, in += perByte) {
        unsigned packed = 0;
        for (std::size_t pixel = 0; pixel < perByte; ++pixel) {
            packed = (packed << Bits) | (in[pixel] & mask);
        }
        out[byte] = static_cast<std::uint8_t>(packed);
    }
    const std::size_t rest = indices.size() - whole * perByte;
    if (rest > 0) {
        unsigned packed = 0;
        for (std::size_t pixel = 0; pixel < perByte; ++pixel) {
            packed = (packed << Bits) | (pixel < rest ? in[pixel] & mask : 0);
        }
        out[whole] = static_cast<std::uint8_t>(packed);
    }
}

// The frames that arm libpng's error return hold nothing with a destructor.
bool writeHeader(png_structp png, png_infop info, const PngHeader &header) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    const bool indexed = !header.palette.empty();
    if (header.palette.size() > PNG_MAX_PALETTE_LENGTH) {
        png_error(png, "more than 256 palette entries");
    }
    png_set_IHDR(png, info, header.width, header.height,
                 indexed ? indexBits(header.palette.size()) : 8,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::array<png_color, PNG_MAX_PALETTE_LENGTH> colours{};
    for (std::size_t at = 0; at < header.palette.size(); ++at) {
        const author::Rgb &colour = header.palette[at];
        colours[at] = {colour.red, colour.green, colour.blue};
    }
    if (indexed) {
        png_set_PLTE(png, info, colours.data(), static_cast<int>(header.palette.size()));
    }
    png_text title{};
    title.compression = PNG_TEXT_COMPRESSION_NONE;
    title.key = const_cast<png_charp>("Title");
    title.text = const_cast<png_charp>(header.title.c_str());
    png_set_text(png, info, &title, 1);
    png_set_compression_level(png, header.compressionLevel);
    png_set_compression_mem_level(png, header.memoryLevel);
    png_write_info(png, info);
    return true;
}

bool writeRow(png_structp png, const std::uint8_t *pixels) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_write_row(png, pixels);
    return true;
}

bool writeEnd(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_write_end(png, info);
    return true;
}

} // namespace

int indexBits(std::size_t colours) {
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

std::size_t packedBytes(std::uint32_t width, int bits) {
    return (std::size_t{width} * static_cast<unsigned>(bits) + 7) / 8;
}

void packIndices(std::span<const std::uint8_t> indices, int bits, std::uint8_t *out) {
    switch (bits) {
    case 1:
        packAs<1>(indices, out);
        break;
    case 2:
        packAs<2>(indices, out);
        break;
    case 4:
        packAs<4>(indices, out);
        break;
    default:
        std::copy(indices.begin(), indices.end(), out);
    }
}

PngWriter::PngWriter(const PngHeader &header, PngSink sink) : sink_(std::move(sink)) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, onError, onWarning);
    info_ = png_ != nullptr ? png_create_info_struct(png_) : nullptr;
    if (info_ == nullptr) {
        png_destroy_write_struct(&png_, nullptr);
        throw std::bad_alloc();
    }
    png_set_write_fn(png_, this, sinkBytes, noFlush);
    try {
        check(writeHeader(png_, info_, header));
    } catch (...) {
        png_destroy_write_struct(&png_, &info_);
        throw;
    }
}

PngWriter::~PngWriter() {
    png_destroy_write_struct(&png_, &info_);
}

void PngWriter::row(const std::uint8_t *pixels) {
    check(writeRow(png_, pixels));
}

void PngWriter::finish() {
    check(writeEnd(png_, info_));
}

void PngWriter::sinkBytes(png_structp png, std::uint8_t *bytes, std::size_t size) {
    auto *writer = static_cast<PngWriter *>(png_get_io_ptr(png));
    try {
        writer->sink_({bytes, size});
        return;
    } catch (...) {
        writer->sinkFailure_ = std::current_exception();
    }
    png_error(png, "the output failed"); // outside the handler, which longjmp must not skip
}

void PngWriter::check(bool completed) {
    if (completed) {
        return;
    }
    if (sinkFailure_) {
        std::rethrow_exception(sinkFailure_);
    }
    throw std::runtime_error("writing PNG: " + error_);
}

author::Bytes indexedPng(const PngHeader &header, std::span<const std::uint8_t> indices) {
    author::Bytes bytes;
    bytes.reserve(256 + indices.size() / 4);
    PngWriter writer(header, [&](std::span<const std::uint8_t> part) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    });
    const int bits = indexBits(header.palette.size());
    std::vector<std::uint8_t> packed(packedBytes(header.width, bits));
    for (std::uint32_t y = 0; y < header.height; ++y) {
        packIndices(indices.subspan(std::size_t{y} * header.width, header.width), bits,
                    packed.data());
        writer.row(packed.data());
    }
    writer.finish();
    return bytes;
}

} // namespace qrvx::batch
