// The one logging call of the library: gated by the host logger's enabled level bits.
#pragma once

#include <cstdint>

namespace qrvx::trace {

enum class Level : std::uint32_t {
    error = 0x02,
    debug = 0x10,
    verbose = 0x20,
};

// Error messages go out without function name and line, whatever is passed here. Nothing is
// formatted when the gate is closed.
void log(Level level, const char *functionName, std::uint32_t line, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

} // namespace qrvx::trace
