// Decoding: dimensions, pixel count and palette agree with the graphic's layout, every pixel
// with the straightforward decode, and QRVX_free empties the bitmap after every result.
#include "fuzz_input.hpp"
#include "graphic/graphic.hpp"
#include "support/oracle_decoder.hpp"

#include <cerrno>
#include <cstring>

namespace {

using qrvx::fuzz::FuzzInput;

std::uint32_t repeatedByte(std::uint32_t colour, unsigned shift) {
    return (colour >> shift & 0xFFu) * 0x01010101u;
}

void checkPalette(const QRVX_Bitmap &bitmap, const qrvxGraphicsParameters &p) {
    if (p.colourSystem == 0) {
        FUZZ_CHECK(bitmap.palette == nullptr && bitmap.paletteCount == 0);
        return;
    }
    FUZZ_CHECK(bitmap.palette != nullptr && bitmap.paletteCount == 4);
    const std::uint32_t colours[] = {p.colourA, p.colourB, p.colourC, p.colourD};
    for (int i = 0; i < 4; ++i) {
        FUZZ_CHECK(bitmap.palette[i].red == repeatedByte(colours[i], 0));
        FUZZ_CHECK(bitmap.palette[i].green == repeatedByte(colours[i], 8));
        FUZZ_CHECK(bitmap.palette[i].blue == repeatedByte(colours[i], 16));
    }
}

// Lines of the packed data and their length rounded to whole bytes (0 when that overflows).
struct LineGeometry {
    bool vertical;
    std::uint32_t lineLength;
    std::uint32_t lines;

    explicit LineGeometry(const qrvxGraphicsParameters &p)
        : vertical(p.rasterDirection == 0),
          lineLength(qrvx::roundedLineLength(vertical ? p.columnSize : p.rowSize)),
          lines(vertical ? p.rowSize : p.columnSize) {}
};

// Every pixel as the straightforward decode gives it, the padding rows of columns included.
void checkAsOracle(const QRVX_Bitmap &bitmap, const qrvx::GraphicLayout &layout) {
    const qrvxGraphicsParameters &p = layout.parameters;
    const bool vertical = p.rasterDirection == 0;
    const qrvx::test::OracleBitmap expected = qrvx::test::oracleDecode(
        {p.colourSystem, vertical, vertical ? p.columnSize : p.rowSize,
         qrvx::Bytes(layout.sections.pixelData, layout.sections.pixelDataLength)});
    FUZZ_CHECK(bitmap.width == expected.width && bitmap.height == expected.height);
    FUZZ_CHECK(bitmap.pixelCount == expected.pixels.size());
    FUZZ_CHECK(expected.pixels.empty() ||
               std::memcmp(bitmap.pixels, expected.pixels.data(), expected.pixels.size()) == 0);
}

void checkDecoded(const QRVX_Bitmap &bitmap, const qrvx::GraphicLayout &layout,
                  const LineGeometry &geometry) {
    const qrvxGraphicsParameters &p = layout.parameters;
    const auto [vertical, lineLength, lines] = geometry;
    FUZZ_CHECK(bitmap.bitsPerPixel == 8);
    FUZZ_CHECK(std::uint64_t{bitmap.pixelCount} == std::uint64_t{lineLength} * lines);
    if (vertical) {
        FUZZ_CHECK(bitmap.width == lines && bitmap.height == p.columnSize);
        FUZZ_CHECK(bitmap.height <= lineLength);
    } else {
        FUZZ_CHECK(bitmap.width == lineLength && bitmap.height == lines);
    }
    checkPalette(bitmap, p);
    checkAsOracle(bitmap, layout);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();

    QRVX_Bitmap bitmap;
    std::memset(&bitmap, 0xA5, sizeof bitmap);
    const int result = QRVX_parse(&graphic, &bitmap);

    qrvx::GraphicLayout layout;
    const int front = qrvx::readGraphic(&graphic, qrvx::Stage::dimensions, layout);
    const LineGeometry geometry(layout.parameters);
    const std::uint64_t pixels = std::uint64_t{geometry.lineLength} * geometry.lines;
    if (front != 0) {
        FUZZ_CHECK(result == front);
    } else if (geometry.lineLength == 0) {
        FUZZ_CHECK(result == -EINVAL);
    } else if (pixels > 0xFFFFFFFFu) {
        FUZZ_CHECK(result == -E2BIG);
    } else {
        FUZZ_CHECK(result == 0);
        checkDecoded(bitmap, layout, geometry);
    }
    std::uint32_t mode = 0;
    qrvxParseScroll(layout.sections.scrollMarker, &mode);
    FUZZ_CHECK(result != 0 || bitmap.scrollMode == mode);

    QRVX_free(&bitmap);
    FUZZ_CHECK(bitmap.pixels == nullptr && bitmap.palette == nullptr);
    FUZZ_CHECK(bitmap.pixelCount == 0 && bitmap.width == 0 && bitmap.height == 0);
    FUZZ_CHECK(bitmap.bitsPerPixel == 0 && bitmap.paletteCount == 0);
    QRVX_free(&bitmap);
    return 0;
}
