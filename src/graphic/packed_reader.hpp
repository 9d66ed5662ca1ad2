// The one place that knows how pixels sit in the bytes of packed pixel data. Bytes are turned
// into pixel values a whole byte at a time, through tables built at compile time from the bit
// rule; columns are turned into rows eight at a time by transposing their bits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qrvx {

// How a plane's lines run and where a byte's first pixel sits.
enum class Raster {
    columnsLsbFirst, // vertical raster: bit 0 (bits 0-1) is the top pixel of the column
    rowsMsbFirst,    // horizontal raster: bit 7 (bits 7-6) is the left pixel of the row
};

// How a pixel is spread over the pixel data.
enum class PixelFormat {
    oneBit,    // one plane, 1 bit a pixel
    twoPlanes, // two planes of 1 bit a pixel: one gives bit 0, the other bit 1
    twoBits,   // one plane, 2 bits a pixel
};

constexpr unsigned pixelsPerByte(PixelFormat format) {
    return format == PixelFormat::twoBits ? 4 : 8;
}

namespace packed {

// Value of pixel i (0 = first) of a byte of pixels of `bits` bits each.
constexpr unsigned pixelOf(unsigned byte, unsigned i, unsigned bits, Raster raster) {
    const unsigned shift = raster == Raster::columnsLsbFirst ? i * bits : 8u - bits - i * bits;
    return (byte >> shift) & ((1u << bits) - 1u);
}

template <unsigned Bits>
using ByteTable = std::array<std::array<std::uint8_t, 8 / Bits>, 256>;

// The pixels of every byte value, each shifted left by `shift`.
template <unsigned Bits>
constexpr ByteTable<Bits> pixelTable(Raster raster, unsigned shift) {
    ByteTable<Bits> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned i = 0; i < 8 / Bits; ++i) {
            table[byte][i] = static_cast<std::uint8_t>(pixelOf(byte, i, Bits, raster) << shift);
        }
    }
    return table;
}

inline constexpr ByteTable<1> columnBits = pixelTable<1>(Raster::columnsLsbFirst, 0);
inline constexpr ByteTable<1> columnHighBits = pixelTable<1>(Raster::columnsLsbFirst, 1);
inline constexpr ByteTable<1> rowBits = pixelTable<1>(Raster::rowsMsbFirst, 0);
inline constexpr ByteTable<1> rowHighBits = pixelTable<1>(Raster::rowsMsbFirst, 1);
inline constexpr ByteTable<2> rowPairs = pixelTable<2>(Raster::rowsMsbFirst, 0);

using V8 = std::array<std::uint8_t, 8>;
using V4 = std::array<std::uint8_t, 4>;
static_assert(columnBits[0x01] == V8{1, 0, 0, 0, 0, 0, 0, 0});
static_assert(columnBits[0x80] == V8{0, 0, 0, 0, 0, 0, 0, 1});
static_assert(columnHighBits[0x81] == V8{2, 0, 0, 0, 0, 0, 0, 2});
static_assert(rowBits[0x80] == V8{1, 0, 0, 0, 0, 0, 0, 0});
static_assert(rowBits[0x06] == V8{0, 0, 0, 0, 0, 1, 1, 0});
static_assert(rowHighBits[0x41] == V8{0, 2, 0, 0, 0, 0, 0, 2});
// 0xE4 = 11 10 01 00: two-bit fields from the low end for columns, from the high end for rows.
static_assert(pixelTable<2>(Raster::columnsLsbFirst, 0)[0xE4] == V4{0, 1, 2, 3});
static_assert(rowPairs[0xE4] == V4{3, 2, 1, 0});

// Eight pixels as a word, so that two planes merge with one OR; bytewise, so the byte order of
// the machine does not matter.
inline std::uint64_t load(const std::array<std::uint8_t, 8> &pixels) {
    std::uint64_t word = 0;
    std::memcpy(&word, pixels.data(), sizeof word);
    return word;
}

// An 8 x 8 bit matrix, row j in bits 8j to 8j + 7, transposed: bit i of byte j moves to bit j
// of byte i.
constexpr std::uint64_t transposeBits(std::uint64_t x) {
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAu;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCu;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0u;
    x ^= t ^ (t << 28);
    return x;
}

static_assert(transposeBits(0x0000000000000001u) == 0x0000000000000001u);
static_assert(transposeBits(0x0000000000000080u) == 0x0100000000000000u);
static_assert(transposeBits(0x0000000000000300u) == 0x0000000000000202u);
static_assert(transposeBits(0x8000000000000000u) == 0x8000000000000000u);

constexpr std::uint8_t byteOf(std::uint64_t word, unsigned i) {
    return static_cast<std::uint8_t>(word >> (8 * i));
}

} // namespace packed

// Rows of pixels from the bytes of packed rows: pixels[8i...] (or [4i...]) from byte i of each
// plane. `high` is read for two planes only; count bytes of each plane are read.
template <PixelFormat Format>
void unpackRowBytes(const std::uint8_t *low, const std::uint8_t *high, std::size_t count,
                    std::uint8_t *pixels) {
    for (std::size_t i = 0; i < count; ++i) {
        if constexpr (Format == PixelFormat::oneBit) {
            std::memcpy(pixels + 8 * i, packed::rowBits[low[i]].data(), 8);
        } else if constexpr (Format == PixelFormat::twoPlanes) {
            const std::uint64_t word =
                packed::load(packed::rowBits[low[i]]) | packed::load(packed::rowHighBits[high[i]]);
            std::memcpy(pixels + 8 * i, &word, 8);
        } else {
            std::memcpy(pixels + 4 * i, packed::rowPairs[low[i]].data(), 4);
        }
    }
}

// The same byte of eight neighbouring columns, column j's in bits 8j to 8j + 7 (zero for
// columns past the last).
struct ColumnBytes {
    std::uint64_t low = 0;
    std::uint64_t high = 0; // two planes only
};

// The rows that one byte of each of eight columns holds, eight pixels each, written to rows
// stride bytes apart: 8 rows, or 4 for two bits a pixel.
template <PixelFormat Format>
void unpackColumnBytes(ColumnBytes bytes, std::uint8_t *rows, std::size_t stride) {
    using namespace packed;
    // After the transpose byte i holds bit i of every column, column j in bit j: the column
    // table then puts column j at pixel j of the row.
    const std::uint64_t low = transposeBits(bytes.low);
    if constexpr (Format == PixelFormat::oneBit) {
        for (unsigned i = 0; i < 8; ++i) {
            std::memcpy(rows + i * stride, columnBits[byteOf(low, i)].data(), 8);
        }
    } else if constexpr (Format == PixelFormat::twoPlanes) {
        const std::uint64_t high = transposeBits(bytes.high);
        for (unsigned i = 0; i < 8; ++i) {
            const std::uint64_t word =
                load(columnBits[byteOf(low, i)]) | load(columnHighBits[byteOf(high, i)]);
            std::memcpy(rows + i * stride, &word, 8);
        }
    } else {
        // Bits 2i and 2i + 1 are the low and high bit of pixel i.
        for (unsigned i = 0; i < 4; ++i) {
            const std::uint64_t word =
                load(columnBits[byteOf(low, 2 * i)]) | load(columnHighBits[byteOf(low, 2 * i + 1)]);
            std::memcpy(rows + i * stride, &word, 8);
        }
    }
}

} // namespace qrvx
