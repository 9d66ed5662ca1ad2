// Decoding: every pixel and the dimensions agree with the straightforward decode of the
// graphic's layout, the palette is there for two-bit pixels, and QRVX_free empties the bitmap
// after every result.
#include "fuzz_input.hpp"
#include "support/oracle_decoder.hpp"

#include <cstddef>

using namespace qrvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    QRVX_Bitmap bitmap;
    std::memset(&bitmap, 0xA5, sizeof bitmap);
    const int result = QRVX_parse(&graphic, &bitmap);

    qrvx::GraphicLayout layout;
    std::uint32_t mode = 0xA5A5A5A5; // the scroll mode of a decoded graphic
    const qrvxGraphicsParameters &p = layout.parameters;
    if (!frontEndFailed(graphic, result, layout)) {
        const bool vertical = p.rasterDirection == 0;
        const std::uint32_t lineSize = vertical ? p.columnSize : p.rowSize;
        const std::uint64_t pixels = std::uint64_t{qrvx::roundedLineLength(lineSize)} *
                                     (vertical ? p.rowSize : p.columnSize);
        if (qrvx::roundedLineLength(lineSize) == 0) {
            FUZZ_CHECK(result == -EINVAL);
        } else if (pixels > 0xFFFFFFFFu) {
            FUZZ_CHECK(result == -E2BIG);
        } else {
            const qrvx::test::OracleBitmap expected = qrvx::test::oracleDecode(
                {p.colourSystem, vertical, lineSize,
                 qrvx::Bytes(layout.sections.pixelData, layout.sections.pixelDataLength)});
            FUZZ_CHECK(result == 0 && bitmap.bitsPerPixel == 8 && bitmap.pixelCount == pixels);
            FUZZ_CHECK(bitmap.width == expected.width && bitmap.height == expected.height);
            FUZZ_CHECK(bitmap.pixelCount == expected.pixels.size() &&
                       sameBytes(bitmap.pixels, expected.pixels.data(), pixels));
            // The palette's colours are pinned by the decoding tests' pictures.
            FUZZ_CHECK(bitmap.paletteCount == (p.colourSystem == 0 ? 0 : 4));
            FUZZ_CHECK((bitmap.palette == nullptr) == (p.colourSystem == 0));
            qrvxParseScroll(layout.sections.scrollMarker, &mode);
        }
    }
    QRVX_free(&bitmap);
    const QRVX_Bitmap empty{};
    FUZZ_CHECK(sameBytes(&bitmap, &empty, offsetof(QRVX_Bitmap, scrollMode)));
    FUZZ_CHECK(bitmap.scrollMode == mode || result != 0); // kept by QRVX_free
    QRVX_free(&bitmap);
    return 0;
}
