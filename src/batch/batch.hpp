// A refusal travels as a BatchError from where it is found to the library's edge (run(),
// readDestinations), which hands it out as an error code and a reason.
#pragma once

#include "qrvx_batch.hpp"

#include <stdexcept>
#include <string>
#include <system_error>

namespace qrvx::batch {

class BatchError : public std::runtime_error {
public:
    BatchError(std::error_code error, const std::string &reason)
        : std::runtime_error(reason), error_(error) {}
    std::error_code error() const noexcept { return error_; }

private:
    std::error_code error_;
};

// "FILE: what: strerror(errno)" as a BatchError with errno's code.
[[noreturn]] void throwSystemError(int number, const std::string &what);

} // namespace qrvx::batch
