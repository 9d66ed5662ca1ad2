// The one place that knows how pixels are put into the bytes of packed pixel data: the mirror of
// packed_reader.hpp, for making graphics.
#pragma once

#include "packed_reader.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qrvx {

// Writes successive pixel values of bitsPerPixel bits (1, 2, 4 or 8) into a plane, first pixel
// where PackedReader reads it. A byte is stored once its last pixel is put.
class PackedWriter {
public:
    constexpr PackedWriter(std::span<std::uint8_t> plane, unsigned bitsPerPixel,
                           Raster raster) noexcept
        : plane_(plane), bits_(bitsPerPixel), mask_((1u << bitsPerPixel) - 1u), raster_(raster) {}

    constexpr void put(unsigned value) noexcept {
        current_ |= (value & mask_) << packed::pixelShift(bit_ / bits_, bits_, raster_);
        bit_ += bits_;
        if (bit_ >= 8) {
            plane_[index_++] = static_cast<std::uint8_t>(current_);
            bit_ = 0;
            current_ = 0;
        }
    }

private:
    std::span<std::uint8_t> plane_;
    unsigned bits_;
    unsigned mask_;
    Raster raster_;
    unsigned bit_ = 0;
    std::size_t index_ = 0;
    unsigned current_ = 0;
};

// A line of lineLength pixels takes whole multiples of 8 pixels.
constexpr std::size_t packedLineBytes(std::size_t lineLength, unsigned bitsPerPixel) noexcept {
    return (lineLength + 7) / 8 * bitsPerPixel;
}

// Pixel values row after row, width to a row: 0/1 for colour system 0, 0-3 for 1 and 2.
struct PixelGrid {
    std::span<const std::uint8_t> values;
    std::size_t width = 0;
    std::size_t height = 0;

    constexpr std::uint8_t at(std::size_t x, std::size_t y) const { return values[y * width + x]; }
};

struct PackedFormat {
    unsigned colourSystem; // 0, 1 or 2
    Raster raster;

    constexpr bool vertical() const { return raster == Raster::columnsLsbFirst; }
    constexpr unsigned bitsPerPixel() const { return colourSystem == 2 ? 2 : 1; }
    constexpr unsigned planes() const { return colourSystem == 1 ? 2 : 1; }
};

// Bytes of the packed pixel data of grid: lines of whole bytes, in every plane.
constexpr std::size_t packedSize(const PixelGrid &grid, PackedFormat format) noexcept {
    const std::size_t lines = format.vertical() ? grid.width : grid.height;
    const std::size_t lineLength = format.vertical() ? grid.height : grid.width;
    return lines * packedLineBytes(lineLength, format.bitsPerPixel()) * format.planes();
}

// One plane: the bits of each value above `shift`, lines padded with 0 pixels. Columns run top
// to bottom, rows left to right.
constexpr void packPlane(const PixelGrid &grid, PackedFormat format, unsigned shift,
                         std::span<std::uint8_t> plane) noexcept {
    PackedWriter writer(plane, format.bitsPerPixel(), format.raster);
    const std::size_t lines = format.vertical() ? grid.width : grid.height;
    const std::size_t lineLength = format.vertical() ? grid.height : grid.width;
    const std::size_t padded = (lineLength + 7) / 8 * 8;
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t p = 0; p < padded; ++p) {
            const unsigned value = p >= lineLength     ? 0u
                                   : format.vertical() ? grid.at(line, p)
                                                       : grid.at(p, line);
            writer.put(value >> shift);
        }
    }
}

// The packed pixel data of grid into out, of packedSize bytes. Colour system 1 keeps two planes
// one after the other: the first gives bit 1 of each pixel, the second bit 0.
constexpr void packPixels(const PixelGrid &grid, PackedFormat format,
                          std::span<std::uint8_t> out) noexcept {
    if (format.planes() == 1) {
        packPlane(grid, format, 0, out);
        return;
    }
    const std::size_t half = out.size() / 2;
    packPlane(grid, format, 1, out.first(half));
    packPlane(grid, format, 0, out.subspan(half, half));
}

namespace packed_writer_checks {

template <std::size_t Size, std::size_t Count>
constexpr std::array<std::uint8_t, Size> packed(const std::array<std::uint8_t, Count> &values,
                                                std::size_t width, PackedFormat format) {
    std::array<std::uint8_t, Size> out{};
    packPixels(PixelGrid{values, width, Count / width}, format, out);
    return out;
}

using B1 = std::array<std::uint8_t, 1>;
using B2 = std::array<std::uint8_t, 2>;
using V4 = std::array<std::uint8_t, 4>;
using V8 = std::array<std::uint8_t, 8>;
constexpr PackedFormat cs0Columns{0, Raster::columnsLsbFirst};
constexpr PackedFormat cs0Rows{0, Raster::rowsMsbFirst};

// The bytes of packed_reader.hpp's checks, made from the pixels it reads out of them.
static_assert(packed<1>(V8{1, 0, 0, 0, 0, 0, 0, 0}, 1, cs0Columns) == B1{0x01});
static_assert(packed<1>(V8{0, 0, 0, 0, 0, 0, 0, 1}, 1, cs0Columns) == B1{0x80});
static_assert(packed<1>(V8{1, 0, 0, 0, 0, 0, 0, 0}, 8, cs0Rows) == B1{0x80});
static_assert(packed<1>(V8{0, 0, 0, 0, 0, 1, 1, 0}, 8, cs0Rows) == B1{0x06});
static_assert(packed<2>(V4{0, 1, 2, 3}, 1, {2, Raster::columnsLsbFirst}) == B2{0xE4, 0x00});
static_assert(packed<2>(V4{3, 2, 1, 0}, 4, {2, Raster::rowsMsbFirst}) == B2{0xE4, 0x00});
// A line of 3 pixels still takes a whole byte (two under two bits a pixel).
static_assert(packed<2>(std::array<std::uint8_t, 6>{1, 0, 1, 0, 1, 1}, 2, cs0Columns) ==
              B2{0x07, 0x04});
static_assert(packed<2>(std::array<std::uint8_t, 6>{1, 1, 1, 0, 0, 1}, 3, cs0Rows) ==
              B2{0xE0, 0x20});
// Colour system 1: a column of 3, 1, 0...: bit 1 in the first plane, bit 0 in the second.
static_assert(packed<2>(V8{3, 1, 0, 0, 0, 0, 0, 0}, 1, {1, Raster::columnsLsbFirst}) ==
              B2{0x01, 0x03});
static_assert(packed<2>(V8{2, 3, 0, 0, 0, 0, 0, 1}, 8, {1, Raster::rowsMsbFirst}) ==
              B2{0xC0, 0x41});

} // namespace packed_writer_checks

} // namespace qrvx
