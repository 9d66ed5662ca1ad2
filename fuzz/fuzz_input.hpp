// What every fuzz target shares: the input split into payload and a control byte, the payload in
// an exact-size heap buffer (so any overread is caught), the logger set from the input, and the
// checks the targets have in common.
#pragma once

#include "fuzz_check.hpp"
#include "graphic/graphic.hpp"
#include "heap.hpp"
#include "qrvx.h"
#include "qrvx_host_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

namespace qrvx::fuzz {

using HeapBytes = HeapArray<std::uint8_t>;

// An exact-size heap copy of bytes (one byte for an empty one, so never null).
inline HeapBytes copy(std::span<const std::uint8_t> bytes) {
    HeapBytes heap(
        static_cast<std::uint8_t *>(std::malloc(std::max<std::size_t>(bytes.size(), 1))));
    FUZZ_CHECK(heap != nullptr);
    std::copy(bytes.begin(), bytes.end(), heap.get());
    return heap;
}

// Control byte (the input's last byte): bit 0 the host logger present with every level on (else
// absent: errors only); bits 1-5 the target's options; bits 4-5 the default sizes 0, 8, 13, 16.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : size_(size > 0 ? size - 1 : 0), control_(size > 0 ? data[size - 1] : 0),
          bytes_(copy({data, size_})) {
        QTR_setSink(
            [](void *, std::uint32_t, const char *, std::uint32_t, const char *, const char *) {},
            nullptr);
        (control_ & 1) != 0 ? QTR_useLogger(QTR_LEVEL_ERROR | QTR_LEVEL_DEBUG | QTR_LEVEL_VERBOSE)
                            : QTR_useNoLogger();
    }

    std::span<std::uint8_t> payload() { return {bytes_.get(), size_}; }
    std::uint8_t control() const { return control_; }
    bool option(unsigned bit) const { return (control_ >> (1 + bit) & 1) != 0; }

    QRVX_Graphic graphic() { return graphicOf(payload()); }
    QRVX_Graphic graphicOf(std::span<std::uint8_t> bytes) const {
        static constexpr std::uint32_t sizes[] = {0, 8, 13, 16};
        const std::uint32_t size = sizes[control_ >> 4 & 3];
        return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), size, size};
    }

private:
    std::size_t size_;
    std::uint8_t control_;
    HeapBytes bytes_;
};

inline bool sameBytes(const void *a, const void *b, std::size_t size) {
    return size == 0 || std::memcmp(a, b, size) == 0;
}

// A record filled with a pattern, to tell whether a call wrote to it.
template <class Record>
struct Poisoned {
    Record record;
    Poisoned() { std::memset(&record, 0x5A, sizeof record); }
    bool untouched() const {
        const Poisoned fresh;
        return sameBytes(&fresh.record, &record, sizeof record);
    }
};

// Reads graphic as every operation starts; when that fails, the operation's result must be that
// error. True when it failed.
inline bool frontEndFailed(const QRVX_Graphic &graphic, int result, GraphicLayout &layout,
                           Stage stage = Stage::dimensions) {
    const int front = readGraphic(&graphic, stage, layout);
    FUZZ_CHECK(front == 0 || result == front);
    return front != 0;
}

} // namespace qrvx::fuzz
