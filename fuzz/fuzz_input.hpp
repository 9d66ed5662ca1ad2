// What every fuzz target shares: the input split into payload and a control byte, the payload
// in an exact-size heap buffer (so any overread is caught), the logger set from the input, and
// the checks the targets have in common.
#pragma once

#include "graphic/graphic.hpp"
#include "qrvx.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

namespace qrvx::fuzz {

[[noreturn]] inline void fail(const char *file, int line, const char *condition) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::qrvx::fuzz::fail(__FILE__, __LINE__, #condition);                                    \
        }                                                                                          \
    } while (0)

struct FreeDeleter {
    void operator()(void *memory) const noexcept { std::free(memory); }
};
using HeapBytes = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// Control byte (the input's last byte):
//   bit 0     the host logger is present with every level on (else absent: errors only);
//   bits 1-3  target options;
//   bits 4-5  the graphic's default sizes: 0, 8, 13 or 16.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size);

    std::span<std::uint8_t> payload() { return {bytes_.get(), size_}; }
    std::uint8_t control() const { return control_; }
    bool option(unsigned bit) const { return (control_ >> (1 + bit) & 1) != 0; }
    std::uint32_t defaultSize() const;

    // A graphic over the payload (or over part of it).
    QRVX_Graphic graphic() { return graphicOf(payload()); }
    QRVX_Graphic graphicOf(std::span<std::uint8_t> bytes) const;

    // An exact-size heap copy of bytes.
    static HeapBytes copy(std::span<const std::uint8_t> bytes);

private:
    HeapBytes bytes_;
    std::size_t size_;
    std::uint8_t control_;
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
        Poisoned fresh;
        return sameBytes(&fresh.record, &record, sizeof record);
    }
};

// Reads graphic as every operation starts; when that fails, the operation's result must be
// that error. True when it failed.
inline bool frontEndFailed(const QRVX_Graphic &graphic, int result, GraphicLayout &layout,
                           Stage stage = Stage::dimensions) {
    const int front = readGraphic(&graphic, stage, layout);
    FUZZ_CHECK(front == 0 || result == front);
    return front != 0;
}

} // namespace qrvx::fuzz
