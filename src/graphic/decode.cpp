// Decoding packed pixel data into a bitmap of one byte per pixel, rows top to bottom.
#include "graphic.hpp"
#include "heap.hpp"
#include "log/trace.hpp"
#include "packed_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qrvx {
namespace {

using trace::Level;

struct Geometry {
    std::uint32_t lineLength; // L: the line size rounded up to whole bytes
    std::uint32_t lines;

    std::size_t pixelCount() const { return std::size_t{lineLength} * lines; }
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

// The planes of the pixel data and how their bits make a pixel.
struct Planes {
    PixelFormat format;
    const std::uint8_t *low;  // the whole pixel, or bit 0 of it
    const std::uint8_t *high; // bit 1 of the pixel for two planes, else null
};

Planes planesOf(std::uint32_t colourSystem, Bytes pixelData) {
    if (colourSystem == 1) {
        // Two one-bit images; the second half gives bit 0, the first half bit 1. Of an odd
        // length the last byte belongs to neither.
        const std::size_t half = pixelData.size() / 2;
        return {PixelFormat::twoPlanes, pixelData.data() + half, pixelData.data()};
    }
    return {colourSystem == 2 ? PixelFormat::twoBits : PixelFormat::oneBit, pixelData.data(),
            nullptr};
}

// Rows of a horizontal raster are the lines themselves, one after the other.
template <PixelFormat Format>
void unpackRows(const Planes &planes, Geometry geometry, std::uint8_t *pixels) {
    unpackRowGroups<Format>(planes.low, planes.high, geometry.pixelCount() / 8, pixels);
}

// Columns become rows a band of rows at a time, so that the bytes of the columns read stay in
// the cache while the band's rows are written. Blocks of sixteen columns are written straight
// into the rows; the last block, when narrower, goes through a tile of the band's rows, of
// which only its own columns are copied.
constexpr std::size_t bandRows = 64;
constexpr std::size_t blockColumns = 16;
constexpr std::size_t tileBytes = bandRows * blockColumns;

// Byte `first` of count columns (up to 8) columnBytes apart.
template <PixelFormat Format>
ColumnBytes gatherColumns(const Planes &planes, std::size_t first, std::size_t columnBytes,
                          std::size_t count) {
    ColumnBytes bytes;
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t at = first + j * columnBytes;
        bytes.low |= std::uint64_t{planes.low[at]} << columnByteShift(j);
        if constexpr (Format == PixelFormat::twoPlanes) {
            bytes.high |= std::uint64_t{planes.high[at]} << columnByteShift(j);
        }
    }
    return bytes;
}

// Where a band's rows of one block of columns go.
struct BandBlock {
    std::size_t firstByte; // of the block's first column, for the band's first row
    std::size_t columns;   // 1 to 16
    std::uint8_t *rows;    // the first row's pixel of the block's first column
    std::size_t stride;    // from one row to the next
};

template <PixelFormat Format>
void unpackBandBlock(const Planes &planes, std::size_t columnBytes, std::size_t rows,
                     const BandBlock &block) {
    constexpr std::size_t perByte = pixelsPerByte(Format);
    const std::size_t half = blockColumns / 2;
    const bool whole = block.columns == blockColumns;
    const std::size_t leftColumns = std::min(block.columns, half);
    const std::size_t rightColumns = block.columns - leftColumns;
    for (std::size_t r = 0; r < rows; r += perByte) {
        const std::size_t first = block.firstByte + r / perByte;
        const std::size_t right = first + half * columnBytes;
        const ColumnBytes bytes[2] = {
            whole ? gatherColumns<Format>(planes, first, columnBytes, half)
                  : gatherColumns<Format>(planes, first, columnBytes, leftColumns),
            whole ? gatherColumns<Format>(planes, right, columnBytes, half)
                  : gatherColumns<Format>(planes, right, columnBytes, rightColumns)};
        unpackColumnBytes<Format>(bytes[0], bytes[1], block.rows + r * block.stride, block.stride);
    }
}

// Pixel r of column c becomes pixel c of row r, for all L rows.
template <PixelFormat Format>
void unpackColumns(const Planes &planes, Geometry geometry, std::uint8_t *tile,
                   std::uint8_t *pixels) {
    constexpr std::size_t perByte = pixelsPerByte(Format);
    const std::size_t columnBytes = geometry.lineLength / perByte;
    const std::size_t width = geometry.lines;
    const std::size_t wholeBlocks = width / blockColumns * blockColumns;
    for (std::size_t row0 = 0; row0 < geometry.lineLength; row0 += bandRows) {
        const std::size_t rows = std::min<std::size_t>(bandRows, geometry.lineLength - row0);
        std::uint8_t *band = pixels + row0 * width;
        for (std::size_t column = 0; column < wholeBlocks; column += blockColumns) {
            unpackBandBlock<Format>(planes, columnBytes, rows,
                                    BandBlock{column * columnBytes + row0 / perByte, blockColumns,
                                              band + column, width});
        }
        if (const std::size_t rest = width - wholeBlocks; rest != 0) {
            unpackBandBlock<Format>(
                planes, columnBytes, rows,
                BandBlock{wholeBlocks * columnBytes + row0 / perByte, rest, tile, blockColumns});
            for (std::size_t r = 0; r < rows; ++r) {
                std::memcpy(band + r * width + wholeBlocks, tile + r * blockColumns, rest);
            }
        }
    }
}

template <PixelFormat Format>
void unpack(const Planes &planes, Geometry geometry, std::uint8_t *tile, std::uint8_t *pixels) {
    if (tile != nullptr) {
        unpackColumns<Format>(planes, geometry, tile, pixels);
    } else {
        unpackRows<Format>(planes, geometry, pixels);
    }
}

// Unpacks a non-empty image; a vertical raster goes through the tile, a horizontal one has none.
void unpack(const Planes &planes, Geometry geometry, std::uint8_t *tile, std::uint8_t *pixels) {
    switch (planes.format) {
    case PixelFormat::oneBit:
        return unpack<PixelFormat::oneBit>(planes, geometry, tile, pixels);
    case PixelFormat::twoPlanes:
        return unpack<PixelFormat::twoPlanes>(planes, geometry, tile, pixels);
    case PixelFormat::twoBits:
        return unpack<PixelFormat::twoBits>(planes, geometry, tile, pixels);
    }
}

// count bytes, all of which the decode writes. An empty image is no failure, whatever the
// allocator gives for it.
bool allocate(HeapArray<std::uint8_t> &bytes, std::size_t count) {
    bytes.reset(static_cast<std::uint8_t *>(std::malloc(count)));
    return bytes != nullptr || count == 0;
}

// Fills out's pixels and geometry; out keeps nothing on failure.
int decode(const GraphicLayout &layout, QRVX_Bitmap &out) {
    const qrvxGraphicsParameters &parameters = layout.parameters;
    const bool vertical = parameters.rasterDirection == 0;
    Geometry geometry{};
    if (const int result = imageGeometry(parameters, geometry)) {
        return result;
    }
    const std::size_t count = geometry.pixelCount();
    HeapArray<std::uint8_t> pixels;
    if (!allocate(pixels, count)) {
        trace::log(Level::error, nullptr, 0, "Bitmap Conversion Failed. No Memory.");
        return -ENOMEM;
    }
    HeapArray<std::uint8_t> tile;
    // An empty image needs no tile.
    if (vertical && !allocate(tile, count != 0 ? tileBytes : 0)) {
        trace::log(Level::error, nullptr, 0, "Bitmap (%u x %u) Rotation Failed. No Memory.",
                   geometry.lineLength, geometry.lines);
        return -ENOMEM;
    }
    if (count != 0) {
        const Bytes pixelData(layout.sections.pixelData, layout.sections.pixelDataLength);
        unpack(planesOf(parameters.colourSystem, pixelData), geometry, tile.get(), pixels.get());
    }
    out.pixelCount = static_cast<std::uint32_t>(count);
    out.bitsPerPixel = 8;
    // Rows below the column size stay in the buffer, outside the image.
    out.width = vertical ? geometry.lines : geometry.lineLength;
    out.height = vertical ? parameters.columnSize : geometry.lines;
    out.pixels = pixels.release();
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
