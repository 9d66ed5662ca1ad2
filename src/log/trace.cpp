#include "trace.hpp"

#include "host_logger.hpp"

#include <cstdarg>
#include <cstring>

namespace qrvx::trace {
namespace {

// The host's logger record keeps its enabled level bits in its second 32-bit word.
std::uint32_t enabledLevels(const void *logger) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, static_cast<const unsigned char *>(logger) + sizeof(std::uint32_t),
                sizeof bits);
    return bits;
}

bool gateOpen(const void *logger, Level level) {
    const auto mask = static_cast<std::uint32_t>(level);
    if (logger == nullptr) {
        // Without a logger errors still reach the host; progress messages do not.
        return level == Level::error;
    }
    return (enabledLevels(logger) & mask) != 0;
}

} // namespace

void log(Level level, const char *functionName, std::uint32_t line, const char *format, ...) {
    // One handle for both the gate and the print, so the two cannot disagree.
    void *logger = QTR_logger();
    if (!gateOpen(logger, level)) {
        return;
    }
    if (level == Level::error) {
        functionName = nullptr;
        line = 0;
    }
    va_list args;
    va_start(args, format);
    zvm_logger_print3(logger, static_cast<std::uint32_t>(level), functionName, line, nullptr,
                      nullptr, format, args);
    va_end(args);
}

} // namespace qrvx::trace
