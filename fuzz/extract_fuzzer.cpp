// Extraction with every combination of its options: the window lies inside the pixel data (and
// its plane), holds whole columns, and a refused graphic leaves the image untouched.
#include "fuzz_input.hpp"
#include "graphic/graphic.hpp"

#include <cerrno>
#include <cstring>

namespace {

using qrvx::fuzz::FuzzInput;

void checkWindow(const QRVX_Image &image, const qrvx::GraphicLayout &layout) {
    const qrvxGraphicsSections &s = layout.sections;
    const qrvxGraphicsParameters &p = layout.parameters;
    FUZZ_CHECK(image.colourSystem == p.colourSystem && image.columnSize == p.columnSize);
    if (s.pixelData == nullptr) {
        FUZZ_CHECK(image.data == nullptr && image.secondPlane == nullptr);
        FUZZ_CHECK(image.length == 0 && image.columnCount == 0);
        return;
    }
    const std::uint32_t bytesPerLine = qrvx::roundedLineLength(p.columnSize) / 8;
    const std::uint64_t columnBytes = p.colourSystem == 2 ? 2u * bytesPerLine : bytesPerLine;
    const std::uint32_t plane = p.colourSystem == 1 ? s.pixelDataLength / 2 : s.pixelDataLength;
    FUZZ_CHECK(bytesPerLine != 0);
    FUZZ_CHECK(image.data >= s.pixelData);
    FUZZ_CHECK(image.data + image.length <= s.pixelData + plane);
    FUZZ_CHECK(std::uint64_t{image.columnCount} * columnBytes <= image.length);
    if (p.colourSystem == 1) {
        FUZZ_CHECK(image.secondPlane == image.data + plane);
    } else {
        FUZZ_CHECK(image.secondPlane == nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    const QRVX_ExtractOptions options{input.option(0), input.option(1), input.option(2)};

    QRVX_Image image;
    std::memset(&image, 0x5A, sizeof image);
    const QRVX_Image untouched = image;
    const int result = QRVX_extractImage(&graphic, &options, &image);
    FUZZ_CHECK(result == 0 || result == -EINVAL || result == -EOPNOTSUPP);
    if (result != 0) {
        FUZZ_CHECK(std::memcmp(&image, &untouched, sizeof image) == 0);
        return 0;
    }
    qrvx::GraphicLayout layout;
    FUZZ_CHECK(qrvx::readGraphic(&graphic, qrvx::Stage::dimensions, layout) == 0);
    FUZZ_CHECK(layout.parameters.rasterDirection == 0);
    checkWindow(image, layout);
    return 0;
}
