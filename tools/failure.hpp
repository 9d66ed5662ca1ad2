// An operation failure, reported as "qrvx: FILE: WHAT: strerror text" with exit status 1.
#pragma once

#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace qrvx::cli {

class Failure : public std::runtime_error {
public:
    Failure(const std::string &file, const std::string &what, std::error_code error)
        : Failure(file, what, error.message()) {}
    // A refusal that no errno value names, in words.
    Failure(const std::string &file, const std::string &what, const std::string &text)
        : std::runtime_error(file + ": " + what + ": " + text), detail_(what + ": " + text) {}
    Failure(const std::string &file, const std::string &what, int errnoValue)
        : Failure(file, what, std::error_code(errnoValue, std::generic_category())) {}

    // Without the file name.
    const std::string &detail() const { return detail_; }

private:
    std::string detail_;
};

inline void report(const Failure &failure) {
    std::cerr << "qrvx: " << failure.what() << '\n';
}

} // namespace qrvx::cli
