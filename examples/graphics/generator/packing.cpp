#include "packing.hpp"

#include "graphic/packed_writer.hpp"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace qrvx::samples {

int bytesPerLine(const Format &format, int lineLength) {
    return static_cast<int>(
        packedLineBytes(static_cast<std::size_t>(lineLength), format.colourSystem == 2 ? 2 : 1));
}

Bytes packPixels(const Canvas &canvas, const Format &format) {
    if (format.colourSystem < 0 || format.colourSystem > 2) {
        throw std::invalid_argument("unknown colour system");
    }
    Bytes values;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const std::uint8_t value = canvas.at(x, y);
            values.push_back(format.colourSystem == 0 && value != 0 ? 1 : value);
        }
    }
    const PixelGrid grid{values, static_cast<std::size_t>(canvas.width()),
                         static_cast<std::size_t>(canvas.height())};
    const PackedFormat packed{static_cast<unsigned>(format.colourSystem),
                              format.raster == Raster::vertical ? qrvx::Raster::columnsLsbFirst
                                                                : qrvx::Raster::rowsMsbFirst};
    Bytes out(packedSize(grid, packed));
    qrvx::packPixels(grid, packed, out);
    return out;
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
