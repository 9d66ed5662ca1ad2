#include "trace_capture.hpp"

#include "qrvx_host_trace.h"

namespace qrvx::test {
namespace {

void record(void *context, std::uint32_t levelMask, const char *functionName, std::uint32_t line,
            const char *format, const char *message) {
    auto &messages = *static_cast<std::vector<Message> *>(context);
    std::optional<std::string> function;
    if (functionName != nullptr) {
        function = functionName;
    }
    messages.push_back(Message{levelMask, function, line, format, message});
}

} // namespace

TraceCapture::TraceCapture(std::optional<std::uint32_t> enabledLevels) {
    if (enabledLevels) {
        QTR_useLogger(*enabledLevels);
    } else {
        QTR_useNoLogger();
    }
    QTR_setSink(record, &messages_);
}

TraceCapture::~TraceCapture() {
    QTR_setSink(nullptr, nullptr);
    QTR_useNoLogger();
}

Message errorMessage(std::string format, std::string text) {
    return Message{errorLevel, std::nullopt, 0, std::move(format), std::move(text)};
}

Message tracedMessage(std::uint32_t level, std::string function, std::uint32_t line,
                      std::string format, std::string text) {
    return Message{level, std::move(function), line, std::move(format), std::move(text)};
}

} // namespace qrvx::test
