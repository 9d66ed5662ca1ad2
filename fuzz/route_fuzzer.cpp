// Route-number description: planes never describe bytes outside the pixel data, the record is
// untouched when the parameters cannot be parsed, and both queries agree on programmability.
#include "fuzz_input.hpp"
#include "graphic/graphic.hpp"

#include <cerrno>
#include <cstring>

namespace {

using qrvx::fuzz::FuzzInput;

bool isZero(const QRVX_RouteNumberPlane &plane) {
    return plane.data == nullptr && plane.byteCount == 0 && plane.bitsPerPixel == 0 &&
           plane.width == 0 && plane.height == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();

    QRVX_RouteNumberGraphic route;
    std::memset(&route, 0x3C, sizeof route);
    const QRVX_RouteNumberGraphic untouched = route;
    const int result = QRVX_getRouteNumberGraphic(&graphic, &route);
    const std::uint8_t programmable = QRVX_routeNumberProgrammable(&graphic);

    qrvx::GraphicLayout layout;
    const int front = qrvx::readGraphic(&graphic, qrvx::Stage::dimensions, layout);
    if (front != 0) {
        FUZZ_CHECK(result == front && programmable == 0);
        FUZZ_CHECK(std::memcmp(&route, &untouched, sizeof route) == 0);
        return 0;
    }
    FUZZ_CHECK(result == 0 || result == -EINVAL || result == -EOPNOTSUPP);
    FUZZ_CHECK(route.programmable == programmable);
    FUZZ_CHECK(programmable == (qrvx::isProgrammable(layout.parameters) ? 1 : 0));
    FUZZ_CHECK(route.routeAtEnd == (qrvx::routeAtEnd(layout.parameters) ? 1u : 0u));

    const qrvxGraphicsSections &s = layout.sections;
    for (const QRVX_RouteNumberPlane &plane : route.planes) {
        if (result == -EINVAL) {
            FUZZ_CHECK(isZero(plane));
        }
        if (result == -EOPNOTSUPP) {
            FUZZ_CHECK(plane.data == nullptr);
        }
        if (plane.data != nullptr) {
            FUZZ_CHECK(s.pixelData != nullptr && plane.data >= s.pixelData);
            FUZZ_CHECK(plane.data + plane.byteCount <= s.pixelData + s.pixelDataLength);
        }
    }
    return 0;
}
