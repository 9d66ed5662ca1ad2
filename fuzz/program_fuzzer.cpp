// Programming: the input is split into target and source. Neither is changed, and the result is
// exactly the source's block, the target's scroll marker and the target's pixels with the
// source's route bytes spliced in.
#include "fuzz_input.hpp"

#include <cerrno>
#include <vector>

using namespace qrvx::fuzz;

namespace {

// One run of route bytes replacing as many target bytes at the start or the end.
void checkSplice(const std::uint8_t *out, const std::uint8_t *target, std::uint32_t targetLength,
                 const std::uint8_t *route, std::uint32_t routeLength, bool atEnd) {
    const std::uint32_t kept = targetLength - routeLength;
    const std::uint32_t routeAt = atEnd ? kept : 0;
    const std::uint32_t keptAt = atEnd ? 0 : routeLength;
    FUZZ_CHECK(sameBytes(out + keptAt, target + keptAt, kept));
    FUZZ_CHECK(sameBytes(out + routeAt, route, routeLength));
}

void checkPixels(const std::uint8_t *out, const qrvx::GraphicLayout &target,
                 const qrvx::GraphicLayout &source) {
    const std::uint32_t r = source.parameters.routeB;
    const bool sourceAtEnd = qrvx::routeAtEnd(source.parameters);
    const bool targetAtEnd = qrvx::routeAtEnd(target.parameters);
    const bool twoPlanes = target.parameters.colourSystem == 1;
    const std::uint32_t targetPlane = target.sections.pixelDataLength / (twoPlanes ? 2 : 1);
    const std::uint32_t sourcePlane = source.sections.pixelDataLength / (twoPlanes ? 2 : 1);
    const std::uint32_t planes = twoPlanes ? 2 : 1;
    for (std::uint32_t plane = 0; plane < planes; ++plane) {
        // The last source plane ends with the pixel data, odd byte and all.
        const std::uint8_t *s = source.sections.pixelData + plane * sourcePlane;
        const std::uint8_t *sEnd = plane + 1 == planes
                                       ? source.sections.pixelData + source.sections.pixelDataLength
                                       : s + sourcePlane;
        checkSplice(out + plane * targetPlane, target.sections.pixelData + plane * targetPlane,
                    targetPlane, sourceAtEnd ? sEnd - r : s, r, targetAtEnd);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    std::span<std::uint8_t> payload = input.payload();
    if (payload.size() < 2) {
        return 0;
    }
    const std::size_t split =
        (payload[0] | std::size_t{payload[1]} << 8) % (payload.size() - 2 + 1);
    const std::span<const std::uint8_t> targetPart = payload.subspan(2, split);
    const std::span<const std::uint8_t> sourcePart = payload.subspan(2 + split);
    HeapBytes targetBytes = FuzzInput::copy(targetPart);
    HeapBytes sourceBytes = FuzzInput::copy(sourcePart);
    const QRVX_Graphic target = input.graphicOf({targetBytes.get(), targetPart.size()});
    const QRVX_Graphic source = input.graphicOf({sourceBytes.get(), sourcePart.size()});

    std::uint8_t untouchedByte = 0;
    std::uint8_t *out = &untouchedByte;
    std::uint32_t outLength = 0xDEADBEEF;
    const int result = QRVX_programRouteNumber(&target, &source, &out, &outLength);
    HeapBytes owned(result == 0 || result == -E2BIG ? out : nullptr);
    FUZZ_CHECK(sameBytes(targetBytes.get(), targetPart.data(), targetPart.size()));
    FUZZ_CHECK(sameBytes(sourceBytes.get(), sourcePart.data(), sourcePart.size()));

    qrvx::GraphicLayout t;
    qrvx::GraphicLayout s;
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
    FUZZ_CHECK(out != nullptr);
    FUZZ_CHECK(outLength == block + marker + t.sections.pixelDataLength);
    FUZZ_CHECK(sameBytes(out, s.sections.parameterBlock, block));
    FUZZ_CHECK(sameBytes(out + block, t.sections.scrollMarker, marker));
    if (result == 0) {
        checkPixels(out + block + marker, t, s);
    } else {
        const std::vector<std::uint8_t> zeros(t.sections.pixelDataLength);
        FUZZ_CHECK(sameBytes(out + block + marker, zeros.data(), zeros.size()));
    }
    return 0;
}
