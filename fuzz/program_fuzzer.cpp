// Programming: the input is split into target and source. Neither is changed, and the result is
// exactly the source's block, the target's scroll marker and the target's pixels with the
// source's route bytes spliced in (all zero when they do not fit).
#include "fuzz_input.hpp"

#include <vector>

using namespace qrvx::fuzz;

namespace {

// Each plane of the target with the route bytes of the source's plane at the start or the end;
// the last source plane ends with the pixel data, odd byte and all.
std::vector<std::uint8_t> expectedPixels(const qrvx::GraphicLayout &target,
                                         const qrvx::GraphicLayout &source) {
    const std::uint32_t route = source.parameters.routeB;
    const std::uint32_t planes = target.parameters.colourSystem == 1 ? 2 : 1;
    const std::uint32_t targetPlane = target.sections.pixelDataLength / planes;
    const std::uint32_t sourcePlane = source.sections.pixelDataLength / planes;
    const std::uint8_t *s = source.sections.pixelData;
    std::vector<std::uint8_t> out(target.sections.pixelData,
                                  target.sections.pixelData + target.sections.pixelDataLength);
    for (std::uint32_t plane = 0; plane < planes; ++plane) {
        const std::uint32_t sourceEnd =
            plane + 1 == planes ? source.sections.pixelDataLength : (plane + 1) * sourcePlane;
        const std::uint8_t *from =
            qrvx::routeAtEnd(source.parameters) ? s + sourceEnd - route : s + plane * sourcePlane;
        const std::uint32_t to =
            plane * targetPlane + (qrvx::routeAtEnd(target.parameters) ? targetPlane - route : 0);
        std::copy(from, from + route, out.begin() + to);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    std::span<std::uint8_t> payload = input.payload();
    if (payload.size() < 2) {
        return 0;
    }
    const std::size_t split = (payload[0] | std::size_t{payload[1]} << 8) % (payload.size() - 1);
    const std::span<const std::uint8_t> targetPart = payload.subspan(2, split);
    const std::span<const std::uint8_t> sourcePart = payload.subspan(2 + split);
    HeapBytes targetBytes = copy(targetPart), sourceBytes = copy(sourcePart);
    const QRVX_Graphic target = input.graphicOf({targetBytes.get(), targetPart.size()});
    const QRVX_Graphic source = input.graphicOf({sourceBytes.get(), sourcePart.size()});

    std::uint8_t untouchedByte = 0;
    std::uint8_t *out = &untouchedByte;
    std::uint32_t outLength = 0xDEADBEEF;
    const int result = QRVX_programRouteNumber(&target, &source, &out, &outLength);
    const HeapBytes owned(result == 0 || result == -E2BIG ? out : nullptr);
    FUZZ_CHECK(sameBytes(targetBytes.get(), targetPart.data(), targetPart.size()));
    FUZZ_CHECK(sameBytes(sourceBytes.get(), sourcePart.data(), sourcePart.size()));

    qrvx::GraphicLayout t, s;
    if (frontEndFailed(source, result, s, qrvx::Stage::parameters) ||
        frontEndFailed(target, result, t, qrvx::Stage::parameters)) {
        FUZZ_CHECK(out == &untouchedByte && outLength == 0xDEADBEEF);
        return 0;
    }
    if (result != 0 && result != -E2BIG) {
        FUZZ_CHECK(result == -EOPNOTSUPP || result == -EEXIST || result == -ENODATA ||
                   result == -EINVAL);
        FUZZ_CHECK(out == nullptr && outLength == 0);
        return 0;
    }
    const std::uint32_t block = s.sections.parameterBlockLength;
    const std::uint32_t marker = t.sections.scrollMarker != nullptr ? 2 : 0;
    const std::vector<std::uint8_t> pixels =
        result == 0 ? expectedPixels(t, s) : std::vector<std::uint8_t>(t.sections.pixelDataLength);
    FUZZ_CHECK(out != nullptr && outLength == block + marker + pixels.size());
    FUZZ_CHECK(sameBytes(out, s.sections.parameterBlock, block));
    FUZZ_CHECK(sameBytes(out + block, t.sections.scrollMarker, marker));
    FUZZ_CHECK(sameBytes(out + block + marker, pixels.data(), pixels.size()));
    return 0;
}
