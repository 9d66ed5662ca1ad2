// Sections, header length, scroll markers and parameters: the sections tile the buffer exactly as
// an independent reading says, and the parsed record is consistent, whichever way the parameter
// block is handed over.
#include "fuzz_input.hpp"

#include <cerrno>

using namespace qrvx::fuzz;

namespace {

int hexValue(std::uint8_t c) {
    const int lower = c | 0x20;
    return c >= '0' && c <= '9' ? c - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// "*", two hex digits giving N, N bytes of text, "*"; else no block.
std::uint32_t expectedBlockLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != '*' || hexValue(bytes[1]) < 0 || hexValue(bytes[2]) < 0) {
        return 0;
    }
    const std::size_t length = std::size_t(hexValue(bytes[1]) * 16 + hexValue(bytes[2])) + 4;
    return length <= bytes.size() && bytes[length - 1] == '*' ? std::uint32_t(length) : 0;
}

bool isMarker(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'U' && bytes[1] <= 1;
}

void checkSections(std::span<const std::uint8_t> bytes, const qrvxGraphicsSections &s) {
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t block = expectedBlockLength(bytes);
    const bool marker = isMarker(bytes.subspan(block));
    const std::uint32_t offset = block + (marker ? 2 : 0);
    FUZZ_CHECK(s.parameterBlockLength == block);
    FUZZ_CHECK(s.parameterBlock == (block != 0 ? bytes.data() : nullptr));
    FUZZ_CHECK(s.scrollMarker == (marker ? bytes.data() + block : nullptr));
    FUZZ_CHECK(s.pixelDataLength == length - offset);
    FUZZ_CHECK(s.pixelData == (offset < length ? bytes.data() + offset : nullptr));
    FUZZ_CHECK(QRVX_getHeaderLength(bytes.data(), length) == offset);
    std::uint32_t mode = 99;
    FUZZ_CHECK(qrvxParseScroll(s.scrollMarker, &mode) == 0);
    FUZZ_CHECK(mode == (marker ? (bytes[offset - 1] == 1 ? 1u : 2u) : 0u));
    // Any two bytes asked for as a marker: refused unless they are one.
    if (length >= 2) {
        FUZZ_CHECK(qrvxParseScroll(bytes.data(), &mode) == (isMarker(bytes) ? 0 : -EINVAL));
        FUZZ_CHECK(!isMarker(bytes) || mode == (bytes[1] == 1 ? 1u : 2u));
    }
}

void checkParameters(int result, const qrvxGraphicsParameters &p) {
    FUZZ_CHECK(result == 0 || result == -EINVAL);
    FUZZ_CHECK((result == -EINVAL) == (p.valid == 0));
    FUZZ_CHECK(p.rasterDirection <= 1 && p.colourSystem <= 2 && p.routePresent <= 1);
    FUZZ_CHECK(p.colourA == std::uint32_t(p.PA.value) && p.colourB == std::uint32_t(p.PB.value));
    FUZZ_CHECK(p.colourC == std::uint32_t(p.PC.value) && p.colourD == std::uint32_t(p.PD.value));
    FUZZ_CHECK(p.routePresent != 0 || (p.routeA == 0 && p.routeB == 0 && p.routeC == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::span<std::uint8_t> bytes = input.payload();
    const auto length = static_cast<std::uint32_t>(bytes.size());
    qrvxGraphicsSections sections;
    FUZZ_CHECK(qrvxParseGraphicsSections(bytes.data(), length, nullptr) == -EINVAL);
    FUZZ_CHECK(qrvxParseGraphicsSections(nullptr, length, &sections) == (length ? -EINVAL : 0));
    FUZZ_CHECK(QRVX_getHeaderLength(nullptr, length) == 0);
    FUZZ_CHECK(qrvxParseScroll(bytes.data(), nullptr) == -EINVAL);
    FUZZ_CHECK(qrvxParseGraphicsSections(bytes.data(), length, &sections) == 0);
    checkSections(bytes, sections);

    qrvxGraphicsParameters fromBlock, fromGraphic;
    const int result = qrvxParseGraphicsParameters(sections.parameterBlock,
                                                   sections.parameterBlockLength, &fromBlock);
    checkParameters(result, fromBlock);
    FUZZ_CHECK(qrvxParseGraphicsParameters(bytes.data(), length, &fromGraphic) == result);
    FUZZ_CHECK(sameBytes(&fromBlock, &fromGraphic, sizeof fromBlock));
    return 0;
}
