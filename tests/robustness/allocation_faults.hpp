// Makes chosen allocations of the calling thread fail. The test executable replaces malloc,
// calloc, realloc and free, so the library, libpng and stdio are all reached; nothing of this
// lives in the library.
#pragma once

#include <cstddef>
#include <functional>

namespace qrvx::test {

struct FaultRun {
    bool injected;           // an allocation was made to fail
    std::size_t allocations; // allocations attempted
    long outstanding;        // blocks left allocated: leaked
    std::size_t largest;     // the largest single request, in bytes
};

// Runs body with allocation n failing (n = 0: none), and with every later one too when
// andLater. Allocations of the test's own, inside an Uncounted scope, are neither counted nor
// failed.
FaultRun runWithFault(std::size_t n, bool andLater, const std::function<void()> &body);

class Uncounted {
public:
    Uncounted();
    ~Uncounted();
    Uncounted(const Uncounted &) = delete;
    Uncounted &operator=(const Uncounted &) = delete;

private:
    bool counting_;
};

// Fails allocation n = 1, 2, ... in both modes until a run completes without a fault; no run may
// leak. Returns the number of allocations the undisturbed body makes.
std::size_t exerciseEveryFault(const std::function<void()> &body);

} // namespace qrvx::test
