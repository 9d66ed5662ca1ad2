// Makes chosen allocations of the calling thread fail. The test executable replaces malloc,
// calloc, realloc and free, so the library, libpng and stdio are all reached; nothing of this
// lives in the library.
#pragma once

#include <cstddef>
#include <functional>

namespace qrvx::test {

enum class FaultMode {
    nthOnly,     // only the n-th allocation fails
    nthAndLater, // the n-th and every later one fail
};

struct FaultRun {
    bool injected;           // an allocation was made to fail
    std::size_t allocations; // allocations attempted by the call
    long outstanding;        // blocks the call left allocated (after release: leaked)
    std::size_t largest;     // the largest single request of the call, in bytes
};

// Runs call with the fault armed on this thread (n = 0: none); then inspect, uncounted, to
// compare outputs; then release, which frees the outputs. Allocations of call and frees of
// release are counted, so the run's outstanding is what call leaked.
FaultRun runWithFault(std::size_t n, FaultMode mode, const std::function<void()> &call,
                      const std::function<void(const FaultRun &)> &inspect,
                      const std::function<void()> &release);

// An entry point under test: call runs it, check compares its outputs with an undisturbed run's
// (a run without an injected fault must match it exactly; one with a fault must match it or end
// in the documented error with the documented outputs), release frees the outputs.
struct FaultScenario {
    std::function<void()> call;
    std::function<void(const FaultRun &)> check;
    std::function<void()> release;
};

// Fails allocation n = 1, 2, ... in both modes until a run completes without a fault; every run
// must pass check and leak nothing. Returns the number of allocations the undisturbed call makes.
std::size_t exerciseEveryFault(const FaultScenario &scenario);

} // namespace qrvx::test
