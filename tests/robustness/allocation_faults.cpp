#include "allocation_faults.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

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

struct ThreadFaults {
    bool counting = false;
    bool armed = false;
    qrvx::test::FaultMode mode = qrvx::test::FaultMode::nthOnly;
    std::size_t failAt = 0;
    std::size_t attempts = 0;
    bool injected = false;
    long outstanding = 0;
    std::size_t largest = 0;
};

thread_local ThreadFaults faults;

bool shouldFail(std::size_t size) {
    if (!faults.counting) {
        return false;
    }
    ++faults.attempts;
    faults.largest = size > faults.largest ? size : faults.largest;
    if (!faults.armed) {
        return false;
    }
    const bool fail = faults.mode == qrvx::test::FaultMode::nthOnly
                          ? faults.attempts == faults.failAt
                          : faults.attempts >= faults.failAt;
    faults.injected = faults.injected || fail;
    return fail;
}

void *track(void *memory) {
    if (faults.counting && memory != nullptr) {
        ++faults.outstanding;
    }
    return memory;
}

void untrack(void *memory) {
    if (faults.counting && memory != nullptr) {
        --faults.outstanding;
    }
}

} // namespace

extern "C" {

void *malloc(std::size_t size) {
    if (shouldFail(size)) {
        return nullptr;
    }
    return track(__interceptor_malloc != nullptr ? __interceptor_malloc(size)
                                                 : __libc_malloc(size));
}

void *calloc(std::size_t count, std::size_t size) {
    if (shouldFail(size > 0 && count > SIZE_MAX / size ? SIZE_MAX : count * size)) {
        return nullptr;
    }
    return track(__interceptor_calloc != nullptr ? __interceptor_calloc(count, size)
                                                 : __libc_calloc(count, size));
}

void *realloc(void *memory, std::size_t size) {
    if (shouldFail(size)) {
        return nullptr;
    }
    untrack(memory);
    return track(__interceptor_realloc != nullptr ? __interceptor_realloc(memory, size)
                                                  : __libc_realloc(memory, size));
}

void free(void *memory) {
    untrack(memory);
    if (__interceptor_free != nullptr) {
        __interceptor_free(memory);
    } else {
        __libc_free(memory);
    }
}

} // extern "C"

namespace qrvx::test {

FaultRun runWithFault(std::size_t n, FaultMode mode, const std::function<void()> &call,
                      const std::function<void(const FaultRun &)> &inspect,
                      const std::function<void()> &release) {
    faults = ThreadFaults{};
    faults.counting = true;
    faults.armed = n != 0;
    faults.mode = mode;
    faults.failAt = n;
    call();
    faults.armed = false;
    faults.counting = false;
    FaultRun run{faults.injected, faults.attempts, faults.outstanding, faults.largest};
    inspect(run);
    faults.counting = true;
    release();
    run.outstanding = faults.outstanding;
    faults = ThreadFaults{};
    return run;
}

std::size_t exerciseEveryFault(const FaultScenario &scenario) {
    constexpr std::size_t runaway = 100000;
    std::size_t allocations = 0;
    std::size_t failedRuns = 0;
    for (const FaultMode mode : {FaultMode::nthOnly, FaultMode::nthAndLater}) {
        for (std::size_t n = 1; n < runaway; ++n) {
            const FaultRun run =
                runWithFault(n, mode, scenario.call, scenario.check, scenario.release);
            EXPECT_EQ(run.outstanding, 0)
                << "blocks leaked with allocation " << n
                << (mode == FaultMode::nthOnly ? " failing" : " and later ones failing");
            if (!run.injected) {
                allocations = run.allocations;
                break;
            }
            ++failedRuns;
        }
    }
    std::printf("[ faults   ] %zu allocations, %zu runs with a failed allocation\n", allocations,
                failedRuns);
    return allocations;
}

} // namespace qrvx::test
