// Captures what the library sends to the host logger, through the stand-in's sink.
#pragma once

#include "qrvx_host_trace.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qrvx::test {

struct Message {
    std::uint32_t level;
    std::optional<std::string> function; // empty when the library passed null
    std::uint32_t line;
    std::string format;
    std::string text;

    bool operator==(const Message &) const = default;
    friend std::ostream &operator<<(std::ostream &out, const Message &m) {
        return out << m.level << " " << m.function.value_or("-") << ":" << m.line << " " << m.text;
    }
};

inline constexpr std::uint32_t errorLevel = 0x02, debugLevel = 0x10, verboseLevel = 0x20;
inline constexpr std::uint32_t allLevels = errorLevel | debugLevel | verboseLevel;

// While alive: the logger is present with the given level bits (or absent with std::nullopt)
// and every printed message is recorded. Restores "no logger, default sink" when destroyed.
class TraceCapture {
public:
    explicit TraceCapture(std::optional<std::uint32_t> enabledLevels) {
        enabledLevels ? QTR_useLogger(*enabledLevels) : QTR_useNoLogger();
        QTR_setSink(record, &messages_);
    }
    ~TraceCapture() {
        QTR_setSink(nullptr, nullptr);
        QTR_useNoLogger();
    }
    TraceCapture(const TraceCapture &) = delete;
    TraceCapture &operator=(const TraceCapture &) = delete;

    const std::vector<Message> &messages() const { return messages_; }

private:
    static void record(void *context, std::uint32_t level, const char *function, std::uint32_t line,
                       const char *format, const char *text) {
        static_cast<std::vector<Message> *>(context)->push_back(Message{
            level, function != nullptr ? std::optional<std::string>(function) : std::nullopt, line,
            format, text});
    }

    std::vector<Message> messages_;
};

} // namespace qrvx::test
