#include "graphic.hpp"

#include <cerrno>
#include <cstring>

namespace qrvx {
namespace {

constexpr std::uint8_t blockDelimiter = '*';
constexpr std::uint8_t scrollMarkerByte = 'U';

constexpr int hexDigitValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isScrollMarker(Bytes bytes) {
    return bytes.size() >= 2 && bytes[0] == scrollMarkerByte && (bytes[1] == 0 || bytes[1] == 1);
}

} // namespace

std::uint32_t parameterBlockLength(Bytes bytes) {
    if (bytes.size() < 4 || bytes[0] != blockDelimiter) {
        return 0;
    }
    const int high = hexDigitValue(bytes[1]);
    const int low = hexDigitValue(bytes[2]);
    if (high < 0 || low < 0) {
        return 0;
    }
    const auto textLength = static_cast<std::uint32_t>(high * 16 + low);
    const std::uint32_t length = textLength + 4;
    if (length > bytes.size() || bytes[textLength + 3] != blockDelimiter) {
        return 0;
    }
    return length;
}

} // namespace qrvx

using qrvx::Bytes;

extern "C" {

QRVX_API int qrvxParseGraphicsSections(const uint8_t *data, uint32_t length,
                                       qrvxGraphicsSections *out) {
    if (out == nullptr || (data == nullptr && length != 0)) {
        return -EINVAL;
    }
    std::memset(out, 0, sizeof *out);
    Bytes rest(data, length);
    const std::uint32_t blockLength = qrvx::parameterBlockLength(rest);
    if (blockLength != 0) {
        out->parameterBlock = rest.data();
        out->parameterBlockLength = blockLength;
        rest = rest.subspan(blockLength);
    }
    if (qrvx::isScrollMarker(rest)) {
        out->scrollMarker = rest.data();
        rest = rest.subspan(2);
    }
    if (!rest.empty()) {
        out->pixelData = rest.data();
        out->pixelDataLength = static_cast<std::uint32_t>(rest.size());
    }
    return 0;
}

QRVX_API int qrvxParseScroll(const uint8_t *scrollMarker, uint32_t *mode) {
    if (mode == nullptr) {
        return -EINVAL;
    }
    if (scrollMarker == nullptr) {
        *mode = 0;
        return 0;
    }
    if (!qrvx::isScrollMarker(Bytes(scrollMarker, 2))) {
        return -EINVAL;
    }
    *mode = scrollMarker[1] == 1 ? 1 : 2;
    return 0;
}

QRVX_API uint32_t QRVX_getHeaderLength(const uint8_t *data, uint32_t length) {
    qrvxGraphicsSections sections;
    if (qrvxParseGraphicsSections(data, length, &sections) != 0) {
        return 0;
    }
    return sections.parameterBlockLength + (sections.scrollMarker != nullptr ? 2u : 0u);
}

} // extern "C"
