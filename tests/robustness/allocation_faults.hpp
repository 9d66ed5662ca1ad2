// Makes chosen allocations of the calling thread fail. The test executable replaces malloc,
// calloc, realloc and free, so the library, libpng and stdio are all reached; nothing of this
// lives in the library.
#pragma once

#include <cstddef>
#include <functional>

namespace qrvx::test {

// Allocations of the test's own, inside an Uncounted scope, are neither counted nor failed.
class Uncounted {
public:
    Uncounted();
    ~Uncounted();
    Uncounted(const Uncounted &) = delete;
    Uncounted &operator=(const Uncounted &) = delete;

private:
    bool counting_;
};

// Runs body(true) undisturbed, then body(false) with allocation n = 1, 2, ... failing, alone and
// with every later one, until a run completes without a fault; no run may leak. Returns the
// largest single request of the undisturbed run.
std::size_t exerciseEveryFault(const std::function<void(bool undisturbed)> &body);

} // namespace qrvx::test
