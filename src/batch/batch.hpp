// What the feed sources share: a refusal travels as a FeedError from where it is found to
// readDestinations, which hands it out as an error code and a reason.
#pragma once

#include "qrvx_batch.hpp"

#include <stdexcept>
#include <string>
#include <system_error>

namespace qrvx::batch {

class FeedError : public std::runtime_error {
public:
    FeedError(std::error_code error, const std::string &reason)
        : std::runtime_error(reason), error_(error) {}
    std::error_code error() const noexcept { return error_; }

private:
    std::error_code error_;
};

// "FILE: what: strerror(errno)" as a FeedError with errno's code.
[[noreturn]] void throwSystemError(int number, const std::string &what);

} // namespace qrvx::batch
