// The two queries on a graphic's route-number area: can it take one, and where does it lie.
#include "graphic/graphic.hpp"

#include <cerrno>

namespace qrvx {
namespace {

using Parameters = qrvxGraphicsParameters;

constexpr std::uint32_t twoPlaneSystem = 1;
constexpr std::uint32_t fullColourSystem = 2;

QRVX_ParamPair pairOf(const ParamValue &first, const ParamValue &second) {
    return QRVX_ParamPair{static_cast<std::uint8_t>(first.present != 0 || second.present != 0),
                          first.value, second.value};
}

std::uint32_t routeCode(const Parameters &p) {
    return p.routePresent != 0 && p.routeA >= 1 && p.routeA <= 3 ? p.routeA : 0;
}

std::int32_t reservedLines(const Parameters &p) {
    if (p.RL.present != 0) {
        return p.RL.value;
    }
    return p.RR.present != 0 ? p.RR.value : 0;
}

// Everything but the planes, which stay zero.
QRVX_RouteNumberGraphic attributesOf(const Parameters &p) {
    QRVX_RouteNumberGraphic d{};
    d.programmable = isProgrammable(p) ? 1 : 0;
    d.routeAtEnd = routeAtEnd(p) ? 1 : 0;
    d.routeCode = routeCode(p);
    d.fgBg = pairOf(p.FG, p.BG);
    d.stSc = pairOf(p.ST, p.SC);
    d.fcBc = pairOf(p.FC, p.BC);
    d.itIc = pairOf(p.IT, p.IC);
    d.otOc = pairOf(p.OT, p.OC);
    d.paValue = p.PA.value;
    d.pbValue = p.PB.value;
    d.pcValue = p.PC.value;
    d.pdValue = p.PD.value;
    d.paletteGiven =
        p.PA.present != 0 || p.PB.present != 0 || p.PC.present != 0 || p.PD.present != 0 ? 1 : 0;
    d.fcGiven = p.FC.present != 0 ? 1 : 0;
    d.fcValue = p.FC.value;
    d.bcValue = p.BC.value;
    d.icValue = p.IC.value;
    d.ocValue = p.OC.value;
    d.osValue = p.OS.value;
    d.inValue = p.IN.value;
    d.reservedLines = reservedLines(p);
    d.rfGiven = p.RF.present != 0 ? 1 : 0;
    d.rfValue = p.RF.value;
    return d;
}

// Byte count, bits per pixel, width and height of one plane of the area; no data pointer yet.
// A vertical area is whole columns of the rounded height, a horizontal one whole rows.
QRVX_RouteNumberPlane planeShape(const Parameters &p, std::uint32_t byteCount) {
    const bool vertical = p.rasterDirection == 0;
    const std::uint32_t lineLength = roundedLineLength(vertical ? p.columnSize : p.rowSize);
    const std::uint32_t bytesPerLine = lineLength / 8;
    const std::uint32_t bitsPerPixel = p.colourSystem == fullColourSystem ? 2 : 1;
    const std::uint32_t lineBytes = byteCount / bitsPerPixel;
    const std::uint32_t lines = bytesPerLine == 0 ? 0 : lineBytes / bytesPerLine;
    QRVX_RouteNumberPlane plane{nullptr, byteCount, bitsPerPixel, 0, 0};
    plane.width = vertical ? lines : lineLength;
    plane.height = vertical ? lineLength : lines;
    return plane;
}

// Fills the planes of the area that "@RP" gives. 0; -EOPNOTSUPP for an unknown colour system or
// two planes in rows; -EINVAL when the area does not lie within the pixel data (planes zero).
int describeArea(const qrvxGraphicsSections &sections, const Parameters &p,
                 QRVX_RouteNumberGraphic &d) {
    const std::uint32_t byteCount = p.routeB;
    if (p.colourSystem > fullColourSystem) {
        return -EOPNOTSUPP;
    }
    const bool twoPlanes = p.colourSystem == twoPlaneSystem;
    if (twoPlanes && p.rasterDirection != 0) {
        d.planes[0] = d.planes[1] = planeShape(p, byteCount);
        return -EOPNOTSUPP;
    }
    const Bytes pixels(sections.pixelData, sections.pixelDataLength);
    const std::size_t planeLength = twoPlanes ? pixels.size() / 2 : pixels.size();
    if (byteCount > planeLength) {
        return -EINVAL;
    }
    const bool atEnd = d.routeAtEnd != 0;
    const std::size_t firstOffset = atEnd ? planeLength - byteCount : 0;
    d.planes[0] = planeShape(p, byteCount);
    d.planes[0].data = pixels.subspan(firstOffset).data();
    if (twoPlanes) {
        const std::size_t secondOffset = atEnd ? pixels.size() - byteCount : planeLength;
        d.planes[1] = d.planes[0];
        d.planes[1].data = pixels.subspan(secondOffset).data();
    }
    return 0;
}

} // namespace
} // namespace qrvx

extern "C" {

QRVX_API uint8_t QRVX_routeNumberProgrammable(const QRVX_Graphic *graphic) {
    qrvx::GraphicLayout layout;
    if (qrvx::readGraphic(graphic, qrvx::Stage::parameters, layout) != 0) {
        return 0;
    }
    return qrvx::isProgrammable(layout.parameters) ? 1 : 0;
}

QRVX_API int QRVX_getRouteNumberGraphic(const QRVX_Graphic *graphic, QRVX_RouteNumberGraphic *out) {
    using namespace qrvx;
    if (out == nullptr) {
        return -EINVAL;
    }
    GraphicLayout layout;
    if (const int result = readGraphic(graphic, Stage::dimensions, layout)) {
        return result;
    }
    QRVX_RouteNumberGraphic description = attributesOf(layout.parameters);
    int result = 0;
    if (layout.parameters.routeB != 0) {
        result = describeArea(layout.sections, layout.parameters, description);
    }
    *out = description;
    return result;
}

} // extern "C"
