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

static_assert(pixelOf(0x01, 0, 1, Raster::columnsLsbFirst) == 1);
static_assert(pixelOf(0x80, 7, 1, Raster::columnsLsbFirst) == 1);
static_assert(pixelOf(0x80, 0, 1, Raster::rowsMsbFirst) == 1);
static_assert(pixelOf(0x06, 5, 1, Raster::rowsMsbFirst) == 1);
// 0xE4 = 11 10 01 00: two-bit fields from the low end for columns, from the high end for rows.
static_assert(pixelOf(0xE4, 1, 2, Raster::columnsLsbFirst) == 1);
static_assert(pixelOf(0xE4, 1, 2, Raster::rowsMsbFirst) == 2);

// Eight pixels of a row.
using Pixels8 = std::array<std::uint8_t, 8>;
using RowTable = std::array<Pixels8, 256>;

// The pixels of every byte value of a row, each shifted left by `shift`, from pixel `first` on;
// the others stay 0.
template <unsigned Bits>
constexpr RowTable rowTable(unsigned shift, unsigned first) {
    RowTable table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned i = 0; i < 8 / Bits; ++i) {
            table[byte][first + i] =
                static_cast<std::uint8_t>(pixelOf(byte, i, Bits, Raster::rowsMsbFirst) << shift);
        }
    }
    return table;
}

inline constexpr RowTable rowBits = rowTable<1>(0, 0);
inline constexpr RowTable rowHighBits = rowTable<1>(1, 0);
inline constexpr RowTable rowPairsLeft = rowTable<2>(0, 0);
inline constexpr RowTable rowPairsRight = rowTable<2>(0, 4);

static_assert(rowBits[0x06] == Pixels8{0, 0, 0, 0, 0, 1, 1, 0});
static_assert(rowHighBits[0x41] == Pixels8{0, 2, 0, 0, 0, 0, 0, 2});
static_assert(rowPairsLeft[0xE4] == Pixels8{3, 2, 1, 0, 0, 0, 0, 0});
static_assert(rowPairsRight[0x1B] == Pixels8{0, 0, 0, 0, 0, 1, 2, 3});

// Eight pixels as a word, so that two table entries merge with one OR; bytewise, so the byte
// order of the machine does not matter.
inline std::uint64_t load(const Pixels8 &pixels) {
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

// Pixels 8g to 8g + 7 of packed rows (of each plane; `high` for two planes only).
template <PixelFormat Format>
std::uint64_t rowGroup(const std::uint8_t *low, const std::uint8_t *high, std::size_t g) {
    using namespace packed;
    if constexpr (Format == PixelFormat::oneBit) {
        return load(rowBits[low[g]]);
    } else if constexpr (Format == PixelFormat::twoPlanes) {
        return load(rowBits[low[g]]) | load(rowHighBits[high[g]]);
    } else {
        return load(rowPairsLeft[low[2 * g]]) | load(rowPairsRight[low[2 * g + 1]]);
    }
}

// Rows of pixels from packed rows, groups x 8 pixels.
template <PixelFormat Format>
void unpackRowGroups(const std::uint8_t *low, const std::uint8_t *high, std::size_t groups,
                     std::uint8_t *pixels) {
    std::size_t g = 0;
    for (; g + 2 <= groups; g += 2) {
        const std::uint64_t words[2] = {rowGroup<Format>(low, high, g),
                                        rowGroup<Format>(low, high, g + 1)};
        std::memcpy(pixels + 8 * g, words, storeBytes);
    }
    if (g < groups) {
        const std::uint64_t word = rowGroup<Format>(low, high, g);
        std::memcpy(pixels + 8 * g, &word, sizeof word);
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
    if constexpr (Format == PixelFormat::twoPlanes) {
        // The bits of both planes for every other pixel side by side, as two bits a pixel:
        // pixels 0, 2, 4, 6 in one word and 1, 3, 5, 7 in the other.
        constexpr std::uint64_t evenBits = 0x5555555555555555u;
        const std::uint64_t pairs = i % 2 == 0
                                        ? (bytes.low & evenBits) | (bytes.high & evenBits) << 1
                                        : (bytes.low >> 1 & evenBits) | (bytes.high & ~evenBits);
        return columnRow<PixelFormat::twoBits>(ColumnBytes{pairs}, i / 2);
    } else {
        constexpr unsigned bits = Format == PixelFormat::twoBits ? 2 : 1;
        constexpr std::uint64_t everyByte = 0x0101010101010101u * ((1u << bits) - 1u);
        return (bytes.low >> packed::pixelShift(i, bits, Raster::columnsLsbFirst)) & everyByte;
    }
}

namespace packed {

constexpr ColumnBytes firstAndLast{std::uint64_t{0x01} << columnByteShift(0) |
                                       std::uint64_t{0xE4} << columnByteShift(7),
                                   std::uint64_t{0x80} << columnByteShift(0)};
static_assert(columnRow<PixelFormat::oneBit>(firstAndLast, 0) == 1ull << columnByteShift(0));
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
