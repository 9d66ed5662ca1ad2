// Owners for memory from the C allocator, so every path releases it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace qrvx {

struct FreeDeleter {
    void operator()(void *memory) const noexcept { std::free(memory); }
};

template <typename T>
using HeapArray = std::unique_ptr<T[], FreeDeleter>;

// count zeroed elements, or null when the allocator refuses.
template <typename T>
HeapArray<T> allocateZeroed(std::size_t count) noexcept {
    return HeapArray<T>(static_cast<T *>(std::calloc(count, sizeof(T))));
}

} // namespace qrvx
