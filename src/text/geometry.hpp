// Columns and rows as layout counts them: half-open ranges in 64 bits, so that no sum of a
// sign's measures overflows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace qrvx::text {

// Columns [begin, end).
struct Columns {
    std::int64_t begin = 0;
    std::int64_t end = 0;

    std::int64_t width() const { return end - begin; }
    bool contains(std::int64_t x) const { return x >= begin && x < end; }
};

// Rows [top, bottom), counted from a baseline at row 0 (negative above it); none when top is
// not above bottom.
struct InkRows {
    std::int64_t top = std::numeric_limits<std::int64_t>::max();
    std::int64_t bottom = std::numeric_limits<std::int64_t>::min();

    bool empty() const { return top >= bottom; }
    std::int64_t rows() const { return empty() ? 0 : bottom - top; }
    InkRows shifted(std::int64_t by) const {
        return empty() ? *this : InkRows{top + by, bottom + by};
    }
    void add(const InkRows &other) {
        if (!other.empty()) {
            top = std::min(top, other.top);
            bottom = std::max(bottom, other.bottom);
        }
    }
};

} // namespace qrvx::text
