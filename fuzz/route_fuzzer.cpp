// Route-number description: planes never describe bytes outside the pixel data, the record is
// untouched when the parameters cannot be parsed, and both queries agree on programmability.
#include "fuzz_input.hpp"

using namespace qrvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    Poisoned<QRVX_RouteNumberGraphic> out;
    const int result = QRVX_getRouteNumberGraphic(&graphic, &out.record);
    const std::uint8_t programmable = QRVX_routeNumberProgrammable(&graphic);
    qrvx::GraphicLayout layout;
    if (frontEndFailed(graphic, result, layout)) {
        FUZZ_CHECK(programmable == 0 && out.untouched());
        return 0;
    }
    const QRVX_RouteNumberGraphic &route = out.record;
    FUZZ_CHECK(result == 0 || result == -EINVAL || result == -EOPNOTSUPP);
    FUZZ_CHECK(route.programmable == programmable);
    const qrvxGraphicsSections &s = layout.sections;
    for (const QRVX_RouteNumberPlane &plane : route.planes) {
        const QRVX_RouteNumberPlane zero{};
        FUZZ_CHECK(result != -EINVAL || sameBytes(&plane, &zero, sizeof plane));
        FUZZ_CHECK(result != -EOPNOTSUPP || plane.data == nullptr);
        if (plane.data != nullptr) {
            FUZZ_CHECK(s.pixelData != nullptr && plane.data >= s.pixelData);
            FUZZ_CHECK(plane.data + plane.byteCount <= s.pixelData + s.pixelDataLength);
        }
    }
    return 0;
}
