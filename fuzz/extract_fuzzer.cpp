// Extraction with every combination of its options: the window lies inside the pixel data (and
// its plane), holds whole columns, and a refused graphic leaves the image untouched.
#include "fuzz_input.hpp"

using namespace qrvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    const QRVX_ExtractOptions options{input.option(0), input.option(1), input.option(2)};
    Poisoned<QRVX_Image> out;
    const int result = QRVX_extractImage(&graphic, &options, &out.record);
    FUZZ_CHECK(result == 0 || result == -EINVAL || result == -EOPNOTSUPP);
    qrvx::GraphicLayout layout;
    if (frontEndFailed(graphic, result, layout) || result != 0) {
        FUZZ_CHECK(out.untouched());
        return 0;
    }
    const QRVX_Image &image = out.record;
    const qrvxGraphicsSections &s = layout.sections;
    const qrvxGraphicsParameters &p = layout.parameters;
    FUZZ_CHECK(p.rasterDirection == 0);
    FUZZ_CHECK(image.colourSystem == p.colourSystem && image.columnSize == p.columnSize);
    if (s.pixelData == nullptr) {
        FUZZ_CHECK(image.data == nullptr && image.secondPlane == nullptr && image.length == 0 &&
                   image.columnCount == 0);
        return 0;
    }
    const std::uint32_t bytesPerLine = qrvx::roundedLineLength(p.columnSize) / 8;
    const std::uint64_t columnBytes = p.colourSystem == 2 ? 2u * bytesPerLine : bytesPerLine;
    const std::uint32_t plane = p.colourSystem == 1 ? s.pixelDataLength / 2 : s.pixelDataLength;
    FUZZ_CHECK(bytesPerLine != 0);
    FUZZ_CHECK(image.data >= s.pixelData && image.data + image.length <= s.pixelData + plane);
    FUZZ_CHECK(std::uint64_t{image.columnCount} * columnBytes <= image.length);
    FUZZ_CHECK(image.secondPlane == (p.colourSystem == 1 ? image.data + plane : nullptr));
    return 0;
}
