#include "oracle_decoder.hpp"

#include <cstddef>
#include <utility>

namespace qrvx::test {
namespace {

// Successive pixel values of bits bits each: from the low end of each byte for columns, from
// the high end for rows.
class PixelReader {
public:
    PixelReader(std::span<const std::uint8_t> plane, unsigned bits, bool lowFirst)
        : plane_(plane), bits_(bits), lowFirst_(lowFirst) {}

    std::uint8_t next() {
        const unsigned shift = lowFirst_ ? bit_ : 8 - bits_ - bit_;
        const unsigned value = (plane_[index_] >> shift) & ((1u << bits_) - 1u);
        bit_ += bits_;
        if (bit_ == 8) {
            bit_ = 0;
            ++index_;
        }
        return static_cast<std::uint8_t>(value);
    }

private:
    std::span<const std::uint8_t> plane_;
    unsigned bits_;
    bool lowFirst_;
    unsigned bit_ = 0;
    std::size_t index_ = 0;
};

struct Plane {
    std::span<const std::uint8_t> bytes;
    unsigned bits;
};

} // namespace

OracleBitmap oracleDecode(const OracleGraphic &graphic) {
    const std::size_t lineLength = (std::size_t{graphic.lineSize} + 7) / 8 * 8;
    const std::span<const std::uint8_t> data = graphic.pixelData;
    const std::size_t half = data.size() / 2;
    // The second half gives bit 0 and the first half bit 1.
    const Plane low = graphic.colourSystem == 1 ? Plane{data.subspan(half, half), 1}
                                                : Plane{data, graphic.colourSystem == 2 ? 2u : 1u};
    const std::size_t planeBytes = graphic.colourSystem == 0 ? data.size() : half;
    const std::size_t lines = planeBytes / (lineLength / 8);

    std::vector<std::uint8_t> image(lineLength * lines);
    PixelReader reader(low.bytes, low.bits, graphic.vertical);
    for (auto &pixel : image) {
        pixel = reader.next();
    }
    if (graphic.colourSystem == 1) {
        PixelReader high(data.first(half), 1, graphic.vertical);
        for (auto &pixel : image) {
            pixel = static_cast<std::uint8_t>(pixel | high.next() << 1);
        }
    }
    OracleBitmap bitmap;
    if (!graphic.vertical) {
        bitmap.pixels = std::move(image);
        bitmap.width = static_cast<std::uint32_t>(lineLength);
        bitmap.height = static_cast<std::uint32_t>(lines);
        return bitmap;
    }
    bitmap.pixels.resize(image.size());
    for (std::size_t column = 0; column < lines; ++column) {
        for (std::size_t row = 0; row < lineLength; ++row) {
            bitmap.pixels[row * lines + column] = image[column * lineLength + row];
        }
    }
    bitmap.width = static_cast<std::uint32_t>(lines);
    bitmap.height = graphic.lineSize;
    return bitmap;
}

} // namespace qrvx::test
