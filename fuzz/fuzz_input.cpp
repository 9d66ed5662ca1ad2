#include "fuzz_input.hpp"

#include "qrvx_host_trace.h"

#include <cstring>

namespace qrvx::fuzz {
namespace {

void discard(void *, std::uint32_t, const char *, std::uint32_t, const char *, const char *) {}

void setLogger(bool present) {
    QTR_setSink(discard, nullptr);
    if (present) {
        QTR_useLogger(QTR_LEVEL_ERROR | QTR_LEVEL_DEBUG | QTR_LEVEL_VERBOSE);
    } else {
        QTR_useNoLogger();
    }
}

} // namespace

HeapBytes FuzzInput::copy(std::span<const std::uint8_t> bytes) {
    // One byte more is requested for an empty input so that the pointer is never null; the
    // buffer is still reported as empty.
    HeapBytes heap(static_cast<std::uint8_t *>(std::malloc(bytes.empty() ? 1 : bytes.size())));
    if (!heap) {
        std::abort();
    }
    if (!bytes.empty()) {
        std::memcpy(heap.get(), bytes.data(), bytes.size());
    }
    return heap;
}

FuzzInput::FuzzInput(const std::uint8_t *data, std::size_t size)
    : size_(size > 0 ? size - 1 : 0), control_(size > 0 ? data[size - 1] : 0) {
    bytes_ = copy({data, size_});
    setLogger((control_ & 1) != 0);
}

std::uint32_t FuzzInput::defaultSize() const {
    static constexpr std::uint32_t sizes[] = {0, 8, 13, 16};
    return sizes[control_ >> 4 & 3];
}

QRVX_Graphic FuzzInput::graphicOf(std::span<std::uint8_t> bytes) const {
    return QRVX_Graphic{bytes.data(), static_cast<std::uint32_t>(bytes.size()), defaultSize(),
                        defaultSize()};
}

} // namespace qrvx::fuzz
