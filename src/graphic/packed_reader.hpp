// The one place that knows how pixels sit in the bytes of packed pixel data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qrvx {

// How a plane's lines run and where a byte's first pixel sits.
enum class Raster {
    columnsLsbFirst, // vertical raster: bit 0 (bits 0-1) is the top pixel of the column
    rowsMsbFirst,    // horizontal raster: bit 7 (bits 7-6) is the left pixel of the row
};

// Reads successive pixel values of bitsPerPixel bits (1, 2, 4 or 8) from a plane. A byte is
// loaded only when its first pixel is asked for, so no byte past the last pixel read is touched.
class PackedReader {
public:
    constexpr PackedReader(std::span<const std::uint8_t> plane, unsigned bitsPerPixel,
                           Raster raster) noexcept
        : plane_(plane), bits_(bitsPerPixel), mask_((1u << bitsPerPixel) - 1u),
          lsbFirst_(raster == Raster::columnsLsbFirst) {}

    constexpr std::uint8_t next() noexcept {
        if (bit_ == 0) {
            current_ = plane_[index_];
        }
        const unsigned shift = lsbFirst_ ? bit_ : 8u - bits_ - bit_;
        const auto value = static_cast<std::uint8_t>((current_ >> shift) & mask_);
        bit_ += bits_;
        if (bit_ >= 8) {
            bit_ = 0;
            ++index_;
        }
        return value;
    }

private:
    std::span<const std::uint8_t> plane_;
    unsigned bits_;
    unsigned mask_;
    bool lsbFirst_;
    unsigned bit_ = 0; // position of the next pixel within the current byte, from its first end
    std::size_t index_ = 0;
    unsigned current_ = 0;
};

namespace packed_reader_checks {

template <std::size_t Count, std::size_t Size>
constexpr std::array<std::uint8_t, Count> firstValues(const std::array<std::uint8_t, Size> &bytes,
                                                      unsigned bitsPerPixel, Raster raster) {
    PackedReader reader(bytes, bitsPerPixel, raster);
    std::array<std::uint8_t, Count> values{};
    for (auto &value : values) {
        value = reader.next();
    }
    return values;
}

using B = std::array<std::uint8_t, 1>;
using B2 = std::array<std::uint8_t, 2>;
using V8 = std::array<std::uint8_t, 8>;
using V4 = std::array<std::uint8_t, 4>;

static_assert(firstValues<8>(B{0x01}, 1, Raster::columnsLsbFirst) == V8{1, 0, 0, 0, 0, 0, 0, 0});
static_assert(firstValues<8>(B{0x80}, 1, Raster::columnsLsbFirst) == V8{0, 0, 0, 0, 0, 0, 0, 1});
static_assert(firstValues<8>(B{0x80}, 1, Raster::rowsMsbFirst) == V8{1, 0, 0, 0, 0, 0, 0, 0});
static_assert(firstValues<8>(B{0x06}, 1, Raster::rowsMsbFirst) == V8{0, 0, 0, 0, 0, 1, 1, 0});
// 0xE4 = 11 10 01 00: two-bit fields from the low end for columns, from the high end for rows.
static_assert(firstValues<4>(B{0xE4}, 2, Raster::columnsLsbFirst) == V4{0, 1, 2, 3});
static_assert(firstValues<4>(B{0xE4}, 2, Raster::rowsMsbFirst) == V4{3, 2, 1, 0});
// The second byte follows the first without a gap.
static_assert(firstValues<8>(B2{0x80, 0x01}, 2, Raster::columnsLsbFirst) ==
              V8{0, 0, 0, 2, 1, 0, 0, 0});
static_assert(firstValues<2>(B2{0xA5, 0x3C}, 8, Raster::rowsMsbFirst) ==
              std::array<std::uint8_t, 2>{0xA5, 0x3C});

} // namespace packed_reader_checks

} // namespace qrvx
