// A new graphic from a target that reserves a route-number area and a source that carries a
// route number: the source's parameter block, the target's scroll marker and the target's pixel
// data with the source's route bytes in place of the reserved ones. Bytes only; nothing decoded.
#include "graphic/graphic.hpp"
#include "log/trace.hpp"
#include "route.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace qrvx {
namespace {

using trace::Level;

constexpr std::uint32_t twoPlaneSystem = 1;
constexpr std::uint32_t scrollMarkerLength = 2;

struct RouteNumberProgrammer {
    qrvxGraphicsSections sourceSections;
    qrvxGraphicsSections targetSections;
    qrvxGraphicsParameters sourceParameters;
    qrvxGraphicsParameters targetParameters;
};

// The same two messages serve source and target; only their lines tell them apart.
int readGraphicFor(const QRVX_Graphic &graphic, qrvxGraphicsSections &sections,
                   qrvxGraphicsParameters &parameters, std::uint32_t sectionsLine,
                   std::uint32_t parametersLine) {
    if (const int result = qrvxParseGraphicsSections(graphic.data, graphic.length, &sections)) {
        trace::log(Level::debug, "initRouteNumberProgrammer", sectionsLine,
                   "Failed(%d) to parse source graphic", result);
        return result;
    }
    if (const int result = qrvxParseGraphicsParameters(graphic.data, graphic.length, &parameters)) {
        trace::log(Level::debug, "initRouteNumberProgrammer", parametersLine,
                   "Failed(%d) to parse source graphic parameters", result);
        return result;
    }
    return 0;
}

int initRouteNumberProgrammer(const QRVX_Graphic &target, const QRVX_Graphic &source,
                              RouteNumberProgrammer &programmer) {
    if (const int result = readGraphicFor(source, programmer.sourceSections,
                                          programmer.sourceParameters, 1287, 1295)) {
        return result;
    }
    return readGraphicFor(target, programmer.targetSections, programmer.targetParameters, 1304,
                          1312);
}

// The first reason why this pair cannot be programmed, or 0.
int refusal(const RouteNumberProgrammer &programmer) {
    const qrvxGraphicsParameters &source = programmer.sourceParameters;
    const qrvxGraphicsParameters &target = programmer.targetParameters;
    if (source.rasterDirection != target.rasterDirection) {
        trace::log(Level::debug, "programRouteNumber", 1387,
                   "Graphic raster direction mismatch. currently not supported");
        return -EOPNOTSUPP;
    }
    if (source.colourSystem != target.colourSystem) {
        trace::log(Level::debug, "programRouteNumber", 1393,
                   "Graphic colour system mismatch. currently not supported");
        return -EOPNOTSUPP;
    }
    if (target.routeB != 0) {
        trace::log(Level::debug, "programRouteNumber", 1399,
                   "Target Graphic has route number already.");
        return -EEXIST;
    }
    if (!isProgrammable(target)) {
        trace::log(Level::debug, "programRouteNumber", 1407, "Target Graphic is not programmable.");
        return -EOPNOTSUPP;
    }
    if (source.routeB == 0) {
        trace::log(Level::debug, "programRouteNumber", 1415,
                   "Route Number Information not available in source");
        return -ENODATA;
    }
    // The route bytes are copied from the source's planes, so they must lie within them.
    const std::uint32_t sourceLength = programmer.sourceSections.pixelDataLength;
    const std::uint32_t sourcePlane =
        source.colourSystem == twoPlaneSystem ? sourceLength / 2 : sourceLength;
    if (source.routeB > sourcePlane) {
        trace::log(Level::debug, "programRouteNumber", 0,
                   "source graphic holds fewer than %u route number bytes",
                   static_cast<unsigned>(source.routeB));
        return -EINVAL;
    }
    return 0;
}

Bytes routeRun(Bytes plane, std::uint32_t routeLength, bool atEnd) {
    return atEnd ? plane.last(routeLength) : plane.first(routeLength);
}

// Writes the target's pixel data with the route bytes spliced in over area, plane by plane.
// -E2BIG when the route number does not fit a target plane.
int spliceRoute(const RouteNumberProgrammer &programmer, std::span<std::uint8_t> area) {
    const qrvxGraphicsSections &sourceSections = programmer.sourceSections;
    const qrvxGraphicsSections &targetSections = programmer.targetSections;
    const Bytes source(sourceSections.pixelData, sourceSections.pixelDataLength);
    const Bytes target(targetSections.pixelData, targetSections.pixelDataLength);
    const std::uint32_t routeLength = programmer.sourceParameters.routeB;
    const bool sourceAtEnd = routeAtEnd(programmer.sourceParameters);
    const bool targetAtEnd = routeAtEnd(programmer.targetParameters);

    if (programmer.targetParameters.colourSystem != twoPlaneSystem) {
        if (routeLength > target.size()) {
            trace::log(Level::debug, "programRouteNumber", 1454,
                       "target graphic is too small to fit the route number");
            return -E2BIG;
        }
        spliceRouteBytes(area, target, routeRun(source, routeLength, sourceAtEnd), targetAtEnd);
        return 0;
    }
    const std::size_t half = target.size() / 2;
    if (routeLength > half) {
        trace::log(Level::debug, "programRouteNumber", 1485,
                   "target graphic is too small to fit the route number");
        return -E2BIG;
    }
    const std::size_t sourceHalf = source.size() / 2;
    spliceRouteBytes(area.first(half), target.first(half),
                     routeRun(source.first(sourceHalf), routeLength, sourceAtEnd), targetAtEnd);
    spliceRouteBytes(area.subspan(half, half), target.subspan(half, half),
                     routeRun(source.subspan(sourceHalf), routeLength, sourceAtEnd), targetAtEnd);
    // The odd last byte belongs to neither plane; it stays as the target has it.
    if (target.size() % 2 != 0) {
        area.back() = target.back();
    }
    return 0;
}

int programRouteNumber(const RouteNumberProgrammer &programmer, std::uint8_t *&outData,
                       std::uint32_t &outLength) {
    outData = nullptr;
    outLength = 0;
    if (const int result = refusal(programmer)) {
        return result;
    }
    const qrvxGraphicsSections &source = programmer.sourceSections;
    const qrvxGraphicsSections &target = programmer.targetSections;
    const std::uint32_t markerLength = target.scrollMarker != nullptr ? scrollMarkerLength : 0;
    const std::uint64_t total =
        std::uint64_t{source.parameterBlockLength} + markerLength + target.pixelDataLength;
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        return -ENOMEM;
    }
    const auto length = static_cast<std::uint32_t>(total);
    outData = static_cast<std::uint8_t *>(std::malloc(length));
    if (outData == nullptr) {
        trace::log(Level::debug, "programRouteNumber", 1431, "Failed to allocate %u size",
                   static_cast<unsigned>(length));
        return -ENOMEM;
    }
    outLength = length;
    const std::span<std::uint8_t> result(outData, length);
    std::ranges::copy(Bytes(source.parameterBlock, source.parameterBlockLength), result.begin());
    std::ranges::copy(Bytes(target.scrollMarker, markerLength),
                      result.subspan(source.parameterBlockLength).begin());
    const std::span<std::uint8_t> area = result.subspan(source.parameterBlockLength + markerLength);
    const int spliced = spliceRoute(programmer, area);
    if (spliced != 0) {
        // The caller still owns the buffer: hand out no uninitialised bytes.
        std::ranges::fill(area, std::uint8_t{0});
    }
    return spliced;
}

} // namespace
} // namespace qrvx

extern "C" QRVX_API int QRVX_programRouteNumber(const QRVX_Graphic *target,
                                                const QRVX_Graphic *source, uint8_t **outData,
                                                uint32_t *outLength) {
    if (source == nullptr) {
        return 0;
    }
    if (target == nullptr || outData == nullptr || outLength == nullptr) {
        return -EINVAL;
    }
    qrvx::RouteNumberProgrammer programmer{};
    if (const int result = qrvx::initRouteNumberProgrammer(*target, *source, programmer)) {
        return result;
    }
    return qrvx::programRouteNumber(programmer, *outData, *outLength);
}
