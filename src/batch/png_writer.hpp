// PNG files written row by row through libpng into any sink: a sign's bytes in memory, or a
// contact sheet streamed into its output file without holding the picture.
#pragma once

#include "qrvx_author.hpp"

#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <string>
#include <vector>

struct png_struct_def;
struct png_info_def;

namespace qrvx::batch {

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Indexed colour with these entries, in the fewest bits a pixel the palette needs; RGB
    // when empty.
    std::vector<author::Rgb> palette;
    std::string title;
    int compressionLevel = 6; // zlib's
    // zlib's memory level, 1-9: its default (8) takes some 130 KiB a stream, which a small image
    // pays for in page faults and zeroing more than in compressing it.
    int memoryLevel = 8;
};

using PngSink = std::function<void(std::span<const std::uint8_t>)>;

class PngWriter {
public:
    // Writes the header; throws std::runtime_error with libpng's message, or what sink threw.
    PngWriter(const PngHeader &header, PngSink sink);
    ~PngWriter();
    PngWriter(const PngWriter &) = delete;
    PngWriter &operator=(const PngWriter &) = delete;

    // Rows in order from the top, as the file holds them: packed indices (packIndices), or
    // 3 x width bytes of RGB.
    void row(const std::uint8_t *pixels);
    // After the last row.
    void finish();

private:
    static void sinkBytes(png_struct_def *png, std::uint8_t *bytes, std::size_t size);
    void check(bool completed);

    PngSink sink_;
    png_struct_def *png_ = nullptr;
    png_info_def *info_ = nullptr;
    std::string error_;
    std::exception_ptr sinkFailure_;
};

// Bits a pixel of an indexed image with this many colours: 1, 2, 4 or 8.
int indexBits(std::size_t colours);
// Bytes a row of indices packed in that many bits.
std::size_t packedBytes(std::uint32_t width, int bits);
// One index a byte into `bits` a pixel, the leftmost pixel in the highest bits of a byte: the
// first packedBytes(indices.size(), bits) bytes of out.
void packIndices(std::span<const std::uint8_t> indices, int bits, std::uint8_t *out);

// A whole image of indexed rows (width x height bytes, one index a byte) as PNG bytes.
author::Bytes indexedPng(const PngHeader &header, std::span<const std::uint8_t> indices);

} // namespace qrvx::batch
