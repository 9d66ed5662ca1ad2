// Programming: the input is split into target and source. Neither is changed, and the result is
// exactly the source's block, the target's scroll marker and the target's pixels with the
// source's route bytes spliced in.
#include "fuzz_input.hpp"
#include "graphic/graphic.hpp"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using qrvx::fuzz::FuzzInput;
using qrvx::fuzz::HeapBytes;

bool equal(const std::uint8_t *a, const std::uint8_t *b, std::size_t size) {
    return size == 0 || std::memcmp(a, b, size) == 0;
}

// One run of route bytes replacing as many target bytes at the start or the end.
void checkSplice(const std::uint8_t *out, const std::uint8_t *target, std::uint32_t targetLength,
                 const std::uint8_t *route, std::uint32_t routeLength, bool atEnd) {
    const std::uint32_t kept = targetLength - routeLength;
    if (atEnd) {
        FUZZ_CHECK(equal(out, target, kept));
        FUZZ_CHECK(equal(out + kept, route, routeLength));
    } else {
        FUZZ_CHECK(equal(out, route, routeLength));
        FUZZ_CHECK(equal(out + routeLength, target + routeLength, kept));
    }
}

void checkPixels(const std::uint8_t *out, const qrvx::GraphicLayout &target,
                 const qrvx::GraphicLayout &source) {
    const std::uint32_t r = source.parameters.routeB;
    const std::uint8_t *s = source.sections.pixelData;
    const std::uint32_t l = source.sections.pixelDataLength;
    const std::uint8_t *t = target.sections.pixelData;
    const std::uint32_t n = target.sections.pixelDataLength;
    const bool sourceAtEnd = qrvx::routeAtEnd(source.parameters);
    const bool targetAtEnd = qrvx::routeAtEnd(target.parameters);
    if (target.parameters.colourSystem == 1) {
        const std::uint32_t half = n / 2;
        checkSplice(out, t, half, sourceAtEnd ? s + l / 2 - r : s, r, targetAtEnd);
        checkSplice(out + half, t + half, half, sourceAtEnd ? s + l - r : s + l / 2, r,
                    targetAtEnd);
    } else {
        checkSplice(out, t, n, sourceAtEnd ? s + l - r : s, r, targetAtEnd);
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
    FUZZ_CHECK(equal(targetBytes.get(), targetPart.data(), targetPart.size()));
    FUZZ_CHECK(equal(sourceBytes.get(), sourcePart.data(), sourcePart.size()));

    qrvx::GraphicLayout targetLayout;
    qrvx::GraphicLayout sourceLayout;
    const int sourceParse = qrvx::readGraphic(&source, qrvx::Stage::parameters, sourceLayout);
    const int targetParse = qrvx::readGraphic(&target, qrvx::Stage::parameters, targetLayout);
    if (sourceParse != 0 || targetParse != 0) {
        FUZZ_CHECK(result == (sourceParse != 0 ? sourceParse : targetParse));
        FUZZ_CHECK(out == &untouchedByte && outLength == 0xDEADBEEF);
        return 0;
    }
    if (result != 0 && result != -E2BIG) {
        FUZZ_CHECK(result == -EOPNOTSUPP || result == -EEXIST || result == -ENODATA ||
                   result == -EINVAL);
        FUZZ_CHECK(out == nullptr && outLength == 0);
        return 0;
    }
    const qrvxGraphicsSections &ts = targetLayout.sections;
    const qrvxGraphicsSections &ss = sourceLayout.sections;
    const std::uint32_t marker = ts.scrollMarker != nullptr ? 2 : 0;
    FUZZ_CHECK(out != nullptr);
    FUZZ_CHECK(outLength == ss.parameterBlockLength + marker + ts.pixelDataLength);
    FUZZ_CHECK(equal(out, ss.parameterBlock, ss.parameterBlockLength));
    FUZZ_CHECK(equal(out + ss.parameterBlockLength, ts.scrollMarker, marker));
    const std::uint8_t *pixels = out + ss.parameterBlockLength + marker;
    if (result == 0) {
        checkPixels(pixels, targetLayout, sourceLayout);
    } else {
        for (std::uint32_t i = 0; i < ts.pixelDataLength; ++i) {
            FUZZ_CHECK(pixels[i] == 0);
        }
    }
    return 0;
}
