#include "packing.hpp"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace qrvx::samples {
namespace {

using ValueOf = std::uint8_t (*)(std::uint8_t);

int roundedToBytes(int pixels) {
    return (pixels + 7) / 8 * 8;
}

// Every line starts on a byte boundary; the pixels that round a line up to whole bytes are 0.
void packPlane(const Canvas &canvas, Raster raster, int bitsPerPixel, ValueOf valueOf, Bytes &out) {
    const bool vertical = raster == Raster::vertical;
    const int lines = vertical ? canvas.width() : canvas.height();
    const int length = vertical ? canvas.height() : canvas.width();
    const int perByte = 8 / bitsPerPixel;
    for (int line = 0; line < lines; ++line) {
        for (int start = 0; start < roundedToBytes(length); start += perByte) {
            unsigned byte = 0;
            for (int k = 0; k < perByte && start + k < length; ++k) {
                const int p = start + k;
                const unsigned value = valueOf(vertical ? canvas.at(line, p) : canvas.at(p, line));
                const int shift = vertical ? k * bitsPerPixel : 8 - bitsPerPixel * (k + 1);
                byte |= value << shift;
            }
            out.push_back(static_cast<std::uint8_t>(byte));
        }
    }
}

Bytes packMonochrome(const Canvas &canvas, Raster raster) {
    Bytes out;
    packPlane(
        canvas, raster, 1, [](std::uint8_t v) -> std::uint8_t { return v != 0 ? 1 : 0; }, out);
    return out;
}

// The first half of the pixel data holds bit 1 of every pixel, the second half bit 0.
Bytes packTwoPlanes(const Canvas &canvas, Raster raster) {
    Bytes out;
    packPlane(
        canvas, raster, 1, [](std::uint8_t v) -> std::uint8_t { return (v >> 1) & 1; }, out);
    packPlane(
        canvas, raster, 1, [](std::uint8_t v) -> std::uint8_t { return v & 1; }, out);
    return out;
}

Bytes packTwoBits(const Canvas &canvas, Raster raster) {
    Bytes out;
    packPlane(
        canvas, raster, 2, [](std::uint8_t v) -> std::uint8_t { return v & 3; }, out);
    return out;
}

} // namespace

int bytesPerLine(const Format &format, int lineLength) {
    const int bitsPerPixel = format.colourSystem == 2 ? 2 : 1;
    return roundedToBytes(lineLength) * bitsPerPixel / 8;
}

Bytes packPixels(const Canvas &canvas, const Format &format) {
    switch (format.colourSystem) {
    case 0:
        return packMonochrome(canvas, format.raster);
    case 1:
        return packTwoPlanes(canvas, format.raster);
    case 2:
        return packTwoBits(canvas, format.raster);
    default:
        throw std::invalid_argument("unknown colour system");
    }
}

Bytes makeGraphic(std::string_view parameters, std::optional<std::uint8_t> scrollByte,
                  const Bytes &pixels) {
    if (parameters.size() > 0xFF) {
        throw std::length_error("parameter text longer than 255 bytes");
    }
    char length[3];
    std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(parameters.size()));
    std::string block = "*";
    block.append(length).append(parameters).push_back('*');
    Bytes out(block.begin(), block.end());
    // Without a marker, pixels that begin like one would be read as one.
    if (!scrollByte && pixels.size() >= 2 && pixels[0] == 'U' && pixels[1] <= 1) {
        throw std::invalid_argument("pixel data that starts like a scroll marker");
    }
    if (scrollByte) {
        out.push_back('U');
        out.push_back(*scrollByte);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

} // namespace qrvx::samples
