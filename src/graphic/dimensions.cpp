#include "graphic.hpp"
#include "log/trace.hpp"

namespace qrvx {
namespace {

constexpr std::uint32_t fallbackLineSize = 8;

std::uint32_t lineSizeOrDefault(std::uint32_t size, std::uint32_t defaultSize) {
    if (size != 0) {
        return size;
    }
    return defaultSize != 0 ? defaultSize : fallbackLineSize;
}

// Lines that the pixel data holds; colour system 1 keeps one line per plane half.
std::uint32_t lineCount(const qrvxGraphicsParameters &parameters, std::uint32_t lineSize,
                        std::uint32_t pixelDataLength) {
    const std::uint32_t rounded = roundedLineLength(lineSize);
    const std::uint32_t bytesPerLine = rounded == 0 ? 1 : rounded / 8;
    const std::uint32_t planeLength =
        parameters.colourSystem != 0 ? pixelDataLength / 2 : pixelDataLength;
    return planeLength / bytesPerLine;
}

} // namespace

void completeDimensions(qrvxGraphicsParameters &parameters, std::uint32_t pixelDataLength,
                        std::uint32_t defaultRowSize, std::uint32_t defaultColumnSize) {
    if (parameters.rasterDirection == 0) {
        parameters.columnSize = lineSizeOrDefault(parameters.columnSize, defaultColumnSize);
        parameters.rowSize = lineCount(parameters, parameters.columnSize, pixelDataLength);
    } else {
        parameters.rowSize = lineSizeOrDefault(parameters.rowSize, defaultRowSize);
        parameters.columnSize = lineCount(parameters, parameters.rowSize, pixelDataLength);
    }
    trace::log(trace::Level::verbose, "adjustBitmapDimension", 0, "Graphic Dimension %d x %d",
               parameters.rowSize, parameters.columnSize);
}

} // namespace qrvx
