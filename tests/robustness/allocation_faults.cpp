#include "allocation_faults.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

// The real allocator: a sanitizer's when one is linked (so it keeps tracking every block), else
// the C library's.
extern "C" {
void *__interceptor_malloc(std::size_t) __attribute__((weak));
void *__interceptor_calloc(std::size_t, std::size_t) __attribute__((weak));
void *__interceptor_realloc(void *, std::size_t) __attribute__((weak));
void __interceptor_free(void *) __attribute__((weak));
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void __libc_free(void *);
}

namespace {

thread_local struct {
    bool counting, andLater;
    std::size_t failAt, attempts; // failAt 0: none
    bool injected;
    long outstanding;
    std::size_t largest;
} faults;

bool shouldFail(std::size_t size) {
    if (!faults.counting) {
        return false;
    }
    ++faults.attempts;
    faults.largest = size > faults.largest ? size : faults.largest;
    const bool fail = faults.failAt != 0 && (faults.andLater ? faults.attempts >= faults.failAt
                                                             : faults.attempts == faults.failAt);
    faults.injected = faults.injected || fail;
    return fail;
}

// Counts a block given out (change 1) or taken back (-1) while counting.
void *track(void *memory, long change = 1) {
    if (faults.counting && memory != nullptr) {
        faults.outstanding += change;
    }
    return memory;
}

template <typename Sanitizer, typename Libc, typename... Arguments>
auto real(Sanitizer *sanitizer, Libc *libc, Arguments... arguments) {
    return sanitizer != nullptr ? sanitizer(arguments...) : libc(arguments...);
}

} // namespace

extern "C" {

void *malloc(std::size_t size) {
    return shouldFail(size) ? nullptr : track(real(__interceptor_malloc, __libc_malloc, size));
}

void *calloc(std::size_t count, std::size_t size) {
    if (shouldFail(size > 0 && count > SIZE_MAX / size ? SIZE_MAX : count * size)) {
        return nullptr;
    }
    return track(real(__interceptor_calloc, __libc_calloc, count, size));
}

void *realloc(void *memory, std::size_t size) {
    if (shouldFail(size)) {
        return nullptr;
    }
    track(memory, -1);
    return track(real(__interceptor_realloc, __libc_realloc, memory, size));
}

void free(void *memory) {
    track(memory, -1);
    real(__interceptor_free, __libc_free, memory);
}

} // extern "C"

namespace qrvx::test {

Uncounted::Uncounted() : counting_(faults.counting) {
    faults.counting = false;
}

Uncounted::~Uncounted() {
    faults.counting = counting_;
}

std::size_t exerciseEveryFault(const std::function<void(bool undisturbed)> &body) {
    faults = {true, false, 0, 0, false, 0, 0};
    body(true);
    const std::size_t largest = faults.largest;
    EXPECT_EQ(faults.outstanding, 0) << "blocks leaked undisturbed";
    for (const bool andLater : {false, true}) {
        for (std::size_t n = 1; faults.injected || n == 1; ++n) {
            faults = {true, andLater, n, 0, false, 0, 0};
            body(false);
            EXPECT_EQ(faults.outstanding, 0) << "blocks leaked with allocation " << n
                                             << (andLater ? " and later ones" : "") << " failing";
        }
    }
    faults = {};
    return largest;
}

} // namespace qrvx::test
