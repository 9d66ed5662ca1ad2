// Locating a graphic's packed image inside its own pixel data: a window, nothing decoded.
#include "graphic/graphic.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace qrvx {
namespace {

// Column geometry of a vertical raster.
struct Columns {
    std::uint32_t columnBytes;    // B: one column of one bit per pixel
    std::uint32_t bytesPerColumn; // cb: B, or 2 B for two bits per pixel
    std::uint32_t planeLength;    // P
    std::uint32_t columnCount;    // n = P / cb
};

// -EINVAL when the column size rounded up to whole bytes does not fit 32 bits.
int columnsOf(const qrvxGraphicsParameters &parameters, std::uint32_t pixelDataLength,
              Columns &columns) {
    const std::uint32_t lineLength = roundedLineLength(parameters.columnSize);
    if (lineLength == 0) {
        return -EINVAL;
    }
    columns.columnBytes = lineLength / 8;
    columns.bytesPerColumn =
        parameters.colourSystem == 2 ? 2 * columns.columnBytes : columns.columnBytes;
    columns.planeLength = parameters.colourSystem == 1 ? pixelDataLength / 2 : pixelDataLength;
    // The dimension step counted the whole columns as the image's width.
    columns.columnCount = parameters.rowSize;
    return 0;
}

// The route-number area as extraction sees it: a number of columns, else of bytes.
struct RouteArea {
    bool inColumns = false;
    std::int64_t size = 0; // 0: no area
};

RouteArea routeAreaOf(const qrvxGraphicsParameters &parameters) {
    if (parameters.RL.present != 0) {
        return {true, parameters.RL.value};
    }
    if (parameters.RR.present != 0) {
        return {true, parameters.RR.value};
    }
    return {false, parameters.routeB};
}

// Leaves the route-number area out of image. -EINVAL when the area does not fit in the plane.
int excludeRouteArea(const qrvxGraphicsParameters &parameters, const Columns &columns,
                     QRVX_Image &image) {
    const RouteArea area = routeAreaOf(parameters);
    if (area.size == 0) {
        return 0;
    }
    if (area.size < 0) {
        return -EINVAL;
    }
    const std::uint64_t bytes = area.inColumns
                                    ? static_cast<std::uint64_t>(area.size) * columns.bytesPerColumn
                                    : static_cast<std::uint64_t>(area.size);
    if (bytes > columns.planeLength) {
        return -EINVAL;
    }
    const auto areaBytes = static_cast<std::uint32_t>(bytes);
    image.length = columns.planeLength - areaBytes;
    // Whole columns only: an area of bytes may end inside a column.
    image.columnCount = image.length / columns.bytesPerColumn;
    if (!routeAtEnd(parameters)) {
        image.data += areaBytes;
    }
    return 0;
}

// Blank columns are those whose bytes are all 0.
void trimLeading(std::uint32_t columnBytes, QRVX_Image &image) {
    const std::uint8_t *end = image.data + image.length;
    const std::uint8_t *first =
        std::find_if(image.data, end, [](std::uint8_t b) { return b != 0; });
    if (first == end) {
        return; // a blank image keeps all its columns
    }
    const auto blankColumns =
        std::min(static_cast<std::uint32_t>(first - image.data) / columnBytes, image.columnCount);
    if (blankColumns == 0) {
        return;
    }
    image.data += blankColumns * columnBytes;
    image.columnCount -= blankColumns;
    image.length = image.columnCount * columnBytes;
}

// Keeps the columns up to the last one with a non-zero byte, counting only whole columns.
void trimTrailing(std::uint32_t columnBytes, QRVX_Image &image) {
    std::uint32_t last = image.length;
    while (last > 0 && image.data[last - 1] == 0) {
        --last;
    }
    if (last == 0) {
        image.columnCount = 0;
        image.length = 0;
        return;
    }
    const std::uint32_t wholeColumns = image.length / columnBytes;
    image.columnCount = std::min((last - 1) / columnBytes + 1, wholeColumns);
    image.length = image.columnCount * columnBytes;
}

} // namespace
} // namespace qrvx

extern "C" {

QRVX_API int QRVX_extractImage(const QRVX_Graphic *graphic, const QRVX_ExtractOptions *options,
                               QRVX_Image *image) {
    if (options == nullptr || image == nullptr) {
        return -EINVAL;
    }
    qrvx::GraphicLayout layout;
    if (const int result = qrvx::readGraphic(graphic, qrvx::Stage::dimensions, layout)) {
        return result;
    }
    const qrvxGraphicsParameters &parameters = layout.parameters;
    if (parameters.rasterDirection == 1) {
        return -EOPNOTSUPP;
    }
    qrvx::Columns columns{};
    if (const int result = qrvx::columnsOf(parameters, layout.sections.pixelDataLength, columns)) {
        return result;
    }

    QRVX_Image window{};
    window.colourSystem = parameters.colourSystem;
    window.columnSize = parameters.columnSize;
    window.data = layout.sections.pixelData;
    window.length = columns.planeLength;
    window.columnCount = columns.columnCount;
    if (options->excludeRouteNumber != 0) {
        if (const int result = qrvx::excludeRouteArea(parameters, columns, window)) {
            return result;
        }
    }
    if (parameters.colourSystem == 1 && window.data != nullptr) {
        window.secondPlane = window.data + columns.planeLength;
    }
    if (parameters.colourSystem == 0 && window.length != 0) {
        if (options->trimLeading != 0) {
            qrvx::trimLeading(columns.columnBytes, window);
        }
        if (options->trimTrailing != 0) {
            qrvx::trimTrailing(columns.columnBytes, window);
        }
    }
    *image = window;
    return 0;
}

} // extern "C"
