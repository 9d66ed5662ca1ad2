// What every operation on a graphic shares: the block length, the front end (sections,
// parameters, dimensions) and the two route rules.
#pragma once

#include "qrvx.h"

#include <cstdint>
#include <span>

namespace qrvx {

using Bytes = std::span<const std::uint8_t>;

// N + 4 for a well-formed parameter block at the start of bytes, else 0.
std::uint32_t parameterBlockLength(Bytes bytes);

struct GraphicLayout {
    qrvxGraphicsSections sections{};
    qrvxGraphicsParameters parameters{};
};

enum class Stage {
    parameters, // sections and parameters
    dimensions, // and the image's width and height completed
};

// The front end of every operation. 0, -EINVAL for a graphic without data, or the error of the
// parameter parse.
int readGraphic(const QRVX_Graphic *graphic, Stage stage, GraphicLayout &layout);

// Completes rowSize (width) and columnSize (height) from the pixel-data length.
void completeDimensions(qrvxGraphicsParameters &parameters, std::uint32_t pixelDataLength,
                        std::uint32_t defaultRowSize, std::uint32_t defaultColumnSize);

// Pixels of a line rounded up to whole bytes; 0 when that does not fit in 32 bits.
constexpr std::uint32_t roundedLineLength(std::uint32_t size) {
    return size > 0xFFFFFFF8u ? 0 : (size + 7u) & ~7u;
}

// A graphic can take a route number when it reserves an area with "RL" or "RR".
constexpr bool isProgrammable(const qrvxGraphicsParameters &parameters) {
    return parameters.RL.present != 0 || parameters.RR.present != 0;
}

// Whether the route-number area lies at the end of the pixel data (of each plane): "@RP" decides
// by its third number; without it "RR" means the end.
constexpr bool routeAtEnd(const qrvxGraphicsParameters &parameters) {
    if (parameters.routePresent != 0) {
        return parameters.routeC != 0;
    }
    return parameters.RR.present != 0;
}

} // namespace qrvx
