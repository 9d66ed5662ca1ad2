// The one place that knows how pixels sit in the bytes of packed pixel data. Rows are turned
// into pixel values a whole byte at a time, through tables built at compile time from the bit
// rule; columns eight at a time, a word of eight column bytes giving a row with two operations.
#pragma once

#include <array>
#include <bit>
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

// Where pixel i (0 = first) of a byte of pixels of `bits` bits each starts.
constexpr unsigned pixelShift(unsigned i, unsigned bits, Raster raster) {
    return raster == Raster::columnsLsbFirst ? i * bits : 8u - bits - i * bits;
}

constexpr unsigned pixelOf(unsigned byte, unsigned i, unsigned bits, Raster raster) {
    return (byte >> pixelShift(i, bits, raster)) & ((1u << bits) - 1u);
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

inline constexpr ByteTable<1> rowBits = pixelTable<1>(Raster::rowsMsbFirst, 0);
inline constexpr ByteTable<1> rowHighBits = pixelTable<1>(Raster::rowsMsbFirst, 1);
inline constexpr ByteTable<2> rowPairs = pixelTable<2>(Raster::rowsMsbFirst, 0);

using V8 = std::array<std::uint8_t, 8>;
using V4 = std::array<std::uint8_t, 4>;
static_assert(pixelTable<1>(Raster::columnsLsbFirst, 0)[0x01] == V8{1, 0, 0, 0, 0, 0, 0, 0});
static_assert(pixelTable<1>(Raster::columnsLsbFirst, 1)[0x80] == V8{0, 0, 0, 0, 0, 0, 0, 2});
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

static_assert(std::endian::native == std::endian::little ||
              std::endian::native == std::endian::big);

} // namespace packed

// Pixels are stored sixteen at a time: wider stores than a byte's pixels keep the writes
// into the bitmap near the speed of the memory.
constexpr std::size_t storeBytes = 16;
using Chunk = std::array<std::uint8_t, storeBytes>;

// The pixels of byte i of a packed row (of each plane; `high` for two planes only).
template <PixelFormat Format>
void putRowByte(const std::uint8_t *low, const std::uint8_t *high, std::size_t i,
                std::uint8_t *pixels) {
    if constexpr (Format == PixelFormat::oneBit) {
        std::memcpy(pixels, packed::rowBits[low[i]].data(), 8);
    } else if constexpr (Format == PixelFormat::twoPlanes) {
        const std::uint64_t word =
            packed::load(packed::rowBits[low[i]]) | packed::load(packed::rowHighBits[high[i]]);
        std::memcpy(pixels, &word, 8);
    } else {
        std::memcpy(pixels, packed::rowPairs[low[i]].data(), 4);
    }
}

// Rows of pixels from count bytes of packed rows, byte after byte.
template <PixelFormat Format>
void unpackRowBytes(const std::uint8_t *low, const std::uint8_t *high, std::size_t count,
                    std::uint8_t *pixels) {
    constexpr std::size_t perByte = pixelsPerByte(Format);
    constexpr std::size_t chunkBytes = storeBytes / perByte;
    std::size_t i = 0;
    for (; i + chunkBytes <= count; i += chunkBytes) {
        Chunk chunk;
        for (std::size_t k = 0; k < chunkBytes; ++k) {
            putRowByte<Format>(low, high, i + k, chunk.data() + k * perByte);
        }
        std::memcpy(pixels + i * perByte, chunk.data(), storeBytes);
    }
    for (; i < count; ++i) {
        putRowByte<Format>(low, high, i, pixels + i * perByte);
    }
}

// Where the byte of column j of eight neighbouring columns sits in a word that, stored to
// memory, puts it at byte j, whatever the byte order of the machine.
constexpr unsigned columnByteShift(std::size_t j) {
    return static_cast<unsigned>(8 * (std::endian::native == std::endian::little ? j : 7 - j));
}

// The same byte of eight neighbouring columns, column j's at columnByteShift(j) (zero for
// columns past the last).
struct ColumnBytes {
    std::uint64_t low = 0;
    std::uint64_t high = 0; // two planes only
};

// Row i of the eight columns whose byte `bytes` holds: the bits of pixel i of every byte at
// once, column j's pixel where its byte was.
template <PixelFormat Format>
constexpr std::uint64_t columnRow(ColumnBytes bytes, unsigned i) {
    constexpr unsigned bits = Format == PixelFormat::twoBits ? 2 : 1;
    constexpr std::uint64_t everyByte = 0x0101010101010101u * ((1u << bits) - 1u);
    const unsigned shift = packed::pixelShift(i, bits, Raster::columnsLsbFirst);
    std::uint64_t word = (bytes.low >> shift) & everyByte;
    if constexpr (Format == PixelFormat::twoPlanes) {
        word |= ((bytes.high >> shift) & everyByte) << 1;
    }
    return word;
}

namespace packed {

constexpr ColumnBytes firstAndLast{std::uint64_t{0x01} << columnByteShift(0) |
                                       std::uint64_t{0xE4} << columnByteShift(7),
                                   std::uint64_t{0x80} << columnByteShift(0)};
static_assert(columnRow<PixelFormat::oneBit>(firstAndLast, 0) == 1u << columnByteShift(0));
static_assert(columnRow<PixelFormat::oneBit>(firstAndLast, 7) == 1ull << columnByteShift(7));
static_assert(columnRow<PixelFormat::twoPlanes>(firstAndLast, 7) ==
              (2ull << columnByteShift(0) | 1ull << columnByteShift(7)));
static_assert(columnRow<PixelFormat::twoBits>(firstAndLast, 2) == 2ull << columnByteShift(7));

} // namespace packed

// The rows that one byte of each of sixteen columns holds (columns 0-7 in left, 8-15 in right),
// sixteen pixels each, written to rows stride bytes apart: 8 rows, or 4 for two bits a pixel.
template <PixelFormat Format>
void unpackColumnBytes(ColumnBytes left, ColumnBytes right, std::uint8_t *rows,
                       std::size_t stride) {
    for (unsigned i = 0; i < pixelsPerByte(Format); ++i) {
        const std::uint64_t words[2] = {columnRow<Format>(left, i), columnRow<Format>(right, i)};
        std::memcpy(rows + i * stride, words, storeBytes);
    }
}

} // namespace qrvx
