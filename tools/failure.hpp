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

inline constexpr int operationFailed = 1;
inline constexpr int usageError = 2;

// A usage error that only shows once the options are parsed.
inline int usage(const std::string &message) {
    std::cerr << "qrvx: " << message << " (see --help)\n";
    return usageError;
}

// For the commands that take several files.
inline constexpr const char *onceFromStandardInput = "- (standard input) can be read only once";

// "qrvx: FILE: what failed: reason", where the reason names the pixel, key or character.
inline int refused(const std::string &file, std::error_code error, const std::string &reason,
                   const std::string &hint = {}) {
    std::cerr << "qrvx: " << file << ": " << error.message();
    if (!reason.empty()) {
        std::cerr << ": " << reason;
    }
    std::cerr << hint << '\n';
    return operationFailed;
}

} // namespace qrvx::cli
