// Sections, header length, scroll markers and parameters: the sections tile the buffer exactly as
// an independent reading says, and the parsed record is consistent, whichever way the parameter
// block is handed over.
#include "fuzz_input.hpp"

#include <cctype>

using namespace qrvx::fuzz;

namespace {

// "*", two hex digits giving N, N bytes of text, "*"; else no block.
std::uint32_t expectedBlockLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != '*' || !std::isxdigit(bytes[1]) ||
        !std::isxdigit(bytes[2])) {
        return 0;
    }
    const char digits[] = {char(bytes[1]), char(bytes[2]), 0};
    const std::size_t length = std::strtoul(digits, nullptr, 16) + 4;
    return length <= bytes.size() && bytes[length - 1] == '*' ? std::uint32_t(length) : 0;
}

// The mode a scroll marker gives, or 0 for none.
std::uint32_t markerMode(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'U' && bytes[1] <= 1 ? 2 - bytes[1] : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::span<std::uint8_t> bytes = input.payload();
    const auto length = static_cast<std::uint32_t>(bytes.size());
    qrvxGraphicsSections s;
    FUZZ_CHECK(qrvxParseGraphicsSections(bytes.data(), length, nullptr) == -EINVAL);
    FUZZ_CHECK(qrvxParseGraphicsSections(nullptr, length, &s) == (length ? -EINVAL : 0));
    FUZZ_CHECK(QRVX_getHeaderLength(nullptr, length) == 0);
    FUZZ_CHECK(qrvxParseScroll(bytes.data(), nullptr) == -EINVAL);
    FUZZ_CHECK(qrvxParseGraphicsSections(bytes.data(), length, &s) == 0);

    const std::uint32_t block = expectedBlockLength(bytes);
    const std::uint32_t mode = markerMode(bytes.subspan(block));
    const std::uint32_t offset = block + (mode != 0 ? 2 : 0);
    FUZZ_CHECK(s.parameterBlockLength == block);
    FUZZ_CHECK(s.parameterBlock == (block != 0 ? bytes.data() : nullptr));
    FUZZ_CHECK(s.scrollMarker == (mode != 0 ? bytes.data() + block : nullptr));
    FUZZ_CHECK(s.pixelDataLength == length - offset);
    FUZZ_CHECK(s.pixelData == (offset < length ? bytes.data() + offset : nullptr));
    FUZZ_CHECK(QRVX_getHeaderLength(bytes.data(), length) == offset);
    std::uint32_t parsedMode = 99;
    FUZZ_CHECK(qrvxParseScroll(s.scrollMarker, &parsedMode) == 0 && parsedMode == mode);
    // Any two bytes asked for as a marker: refused unless they are one.
    if (length >= 2) {
        const int result = qrvxParseScroll(bytes.data(), &parsedMode);
        FUZZ_CHECK(markerMode(bytes) != 0 ? result == 0 && parsedMode == markerMode(bytes)
                                          : result == -EINVAL);
    }

    qrvxGraphicsParameters p, fromGraphic;
    const int result = qrvxParseGraphicsParameters(s.parameterBlock, s.parameterBlockLength, &p);
    FUZZ_CHECK(result == (p.valid != 0 ? 0 : -EINVAL));
    FUZZ_CHECK(p.rasterDirection <= 1 && p.colourSystem <= 2 && p.routePresent <= 1);
    FUZZ_CHECK(p.routePresent != 0 || (p.routeA == 0 && p.routeB == 0 && p.routeC == 0));
    FUZZ_CHECK(qrvxParseGraphicsParameters(bytes.data(), length, &fromGraphic) == result);
    FUZZ_CHECK(sameBytes(&p, &fromGraphic, sizeof p));
    return 0;
}
