// Decoding packed pixel data into a bitmap of one byte per pixel, rows top to bottom.
#include "graphic.hpp"
#include "heap.hpp"
#include "log/trace.hpp"
#include "packed_reader.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

namespace qrvx {
namespace {

using trace::Level;

// One plane of packed pixel data and how to read it.
struct Plane {
    Bytes bytes;
    unsigned bitsPerPixel;
    Raster raster;
};

// Lines of lineLength pixels each, one byte per pixel, line after line.
struct Image {
    HeapArray<std::uint8_t> pixels;
    std::uint32_t lineLength = 0;
    std::uint32_t lines = 0;

    std::size_t pixelCount() const { return std::size_t{lineLength} * lines; }
};

struct Geometry {
    std::uint32_t lineLength; // L: the line size rounded up to whole bytes
    std::uint32_t lines;
};

// L, and the lines that the dimension step counted in the pixel data. -EINVAL when L does not
// fit 32 bits, -E2BIG when the pixel count of the image does not.
int imageGeometry(const qrvxGraphicsParameters &parameters, Geometry &geometry) {
    const bool vertical = parameters.rasterDirection == 0;
    const std::uint32_t lineLength =
        roundedLineLength(vertical ? parameters.columnSize : parameters.rowSize);
    if (lineLength == 0) {
        return -EINVAL;
    }
    const std::uint32_t lines = vertical ? parameters.rowSize : parameters.columnSize;
    if (std::uint64_t{lineLength} * lines > std::numeric_limits<std::uint32_t>::max()) {
        return -E2BIG;
    }
    geometry = Geometry{lineLength, lines};
    return 0;
}

// count zeroed bytes. An empty image is no failure, whatever the allocator gives for it.
bool allocatePixels(HeapArray<std::uint8_t> &pixels, std::size_t count) {
    pixels = allocateZeroed<std::uint8_t>(count);
    return pixels != nullptr || count == 0;
}

// A new image of geometry's size filled with the plane's successive values.
int unpack(const Plane &plane, Geometry geometry, Image &image) {
    image.lineLength = geometry.lineLength;
    image.lines = geometry.lines;
    if (!allocatePixels(image.pixels, image.pixelCount())) {
        trace::log(Level::error, nullptr, 0, "Bitmap Conversion Failed. No Memory.");
        return -ENOMEM;
    }
    PackedReader reader(plane.bytes, plane.bitsPerPixel, plane.raster);
    std::uint8_t *pixel = image.pixels.get();
    for (std::size_t i = 0; i < image.pixelCount(); ++i) {
        pixel[i] = reader.next();
    }
    return 0;
}

// ORs each non-zero value of plane, shifted above the plane's own bits, into image's pixels.
void merge(const Plane &plane, Image &image) {
    PackedReader reader(plane.bytes, plane.bitsPerPixel, plane.raster);
    std::uint8_t *pixel = image.pixels.get();
    for (std::size_t i = 0; i < image.pixelCount(); ++i) {
        if (const unsigned value = reader.next(); value != 0) {
            pixel[i] = static_cast<std::uint8_t>(pixel[i] | (value << plane.bitsPerPixel));
        }
    }
}

// Turns an image of columns into one of rows: pixel r of column c becomes pixel c of row r.
int transpose(const Image &columns, Image &rows) {
    HeapArray<std::uint8_t> pixels;
    if (!allocatePixels(pixels, columns.pixelCount())) {
        trace::log(Level::error, nullptr, 0, "Bitmap (%u x %u) Rotation Failed. No Memory.",
                   columns.lineLength, columns.lines);
        return -ENOMEM;
    }
    const std::uint8_t *from = columns.pixels.get();
    for (std::size_t column = 0; column < columns.lines; ++column) {
        for (std::size_t row = 0; row < columns.lineLength; ++row) {
            pixels[row * columns.lines + column] = from[column * columns.lineLength + row];
        }
    }
    rows.pixels = std::move(pixels);
    rows.lineLength = columns.lines;
    rows.lines = columns.lineLength;
    return 0;
}

// The planes of the pixel data, the one giving the low bits first.
struct Planes {
    Plane low;
    std::optional<Plane> high; // colour system 1: ORed in as bit 1
};

Planes planesOf(const qrvxGraphicsParameters &parameters, Bytes pixelData, Raster raster) {
    if (parameters.colourSystem == 1) {
        // Two one-bit images; the second half gives bit 0, the first half bit 1.
        const std::size_t half = pixelData.size() / 2;
        return {Plane{pixelData.subspan(half, half), 1, raster},
                Plane{pixelData.first(half), 1, raster}};
    }
    return {Plane{pixelData, parameters.colourSystem == 2 ? 2u : 1u, raster}, std::nullopt};
}

int decodeLines(const Planes &planes, Geometry geometry, Image &image) {
    if (const int result = unpack(planes.low, geometry, image)) {
        return result;
    }
    if (planes.high) {
        merge(*planes.high, image);
    }
    return 0;
}

// Fills out's pixels and geometry; out keeps nothing on failure.
int decode(const GraphicLayout &layout, QRVX_Bitmap &out) {
    const qrvxGraphicsParameters &parameters = layout.parameters;
    const bool vertical = parameters.rasterDirection == 0;
    const Bytes pixelData(layout.sections.pixelData, layout.sections.pixelDataLength);
    const Planes planes =
        planesOf(parameters, pixelData, vertical ? Raster::columnsLsbFirst : Raster::rowsMsbFirst);

    Geometry geometry{};
    if (const int result = imageGeometry(parameters, geometry)) {
        return result;
    }
    Image image;
    if (const int result = decodeLines(planes, geometry, image)) {
        return result;
    }
    std::uint32_t height = image.lines;
    if (vertical) {
        Image rows;
        if (const int result = transpose(image, rows)) {
            return result;
        }
        image = std::move(rows);
        // Rows below the column size stay in the buffer, outside the image.
        height = parameters.columnSize;
    }
    out.pixelCount = static_cast<std::uint32_t>(image.pixelCount());
    out.bitsPerPixel = 8;
    out.width = image.lineLength;
    out.height = height;
    out.pixels = image.pixels.release();
    return 0;
}

// Bits 0-7 of value in all four bytes of a word.
constexpr std::uint32_t repeatedByte(std::uint32_t value) {
    return (value & 0xFFu) * 0x01010101u;
}

static_assert(repeatedByte(0x1234u) == 0x34343434u);

QRVX_Colour paletteEntry(std::uint32_t colour) {
    return QRVX_Colour{repeatedByte(colour), repeatedByte(colour >> 8), repeatedByte(colour >> 16)};
}

int addPalette(const qrvxGraphicsParameters &parameters, QRVX_Bitmap &out) {
    constexpr std::uint32_t entries = 4;
    HeapArray<QRVX_Colour> palette = allocateZeroed<QRVX_Colour>(entries);
    if (palette == nullptr) {
        return -ENOMEM;
    }
    palette[0] = paletteEntry(parameters.colourA);
    palette[1] = paletteEntry(parameters.colourB);
    palette[2] = paletteEntry(parameters.colourC);
    palette[3] = paletteEntry(parameters.colourD);
    out.palette = palette.release();
    out.paletteCount = entries;
    return 0;
}

void logColourSystem(std::uint32_t colourSystem) {
    switch (colourSystem) {
    case 0:
        trace::log(Level::debug, "convertCS0Image", 550, "converting CS0 Image");
        break;
    case 1:
        trace::log(Level::debug, "convertCS1Image", 648, "converting CS1 Image");
        break;
    default:
        trace::log(Level::debug, "convertCS2Image", 1091, "converting Full-Colour Image");
        break;
    }
}

} // namespace
} // namespace qrvx

extern "C" {

QRVX_API int QRVX_parse(const QRVX_Graphic *graphic, QRVX_Bitmap *out) {
    if (out == nullptr) {
        return -EINVAL;
    }
    *out = QRVX_Bitmap{};
    qrvx::GraphicLayout layout;
    const int result = qrvx::readGraphic(graphic, qrvx::Stage::dimensions, layout);
    if (layout.sections.scrollMarker != nullptr) {
        qrvxParseScroll(layout.sections.scrollMarker, &out->scrollMode);
    }
    if (result != 0) {
        return result;
    }
    const std::uint32_t colourSystem = layout.parameters.colourSystem;
    if (colourSystem > 2) {
        return -EOPNOTSUPP;
    }
    qrvx::logColourSystem(colourSystem);
    if (const int decoded = qrvx::decode(layout, *out)) {
        return decoded;
    }
    if (colourSystem != 0) {
        return qrvx::addPalette(layout.parameters, *out);
    }
    return 0;
}

QRVX_API void QRVX_free(QRVX_Bitmap *bitmap) {
    if (bitmap == nullptr) {
        return;
    }
    std::free(bitmap->pixels);
    std::free(bitmap->palette);
    const std::uint32_t scrollMode = bitmap->scrollMode;
    *bitmap = QRVX_Bitmap{};
    bitmap->scrollMode = scrollMode;
}

} // extern "C"
