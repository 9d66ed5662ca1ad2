#include "trace_capture.hpp"

#include "qrvx_host_trace.h"

namespace qrvx::test {
namespace {

void record(void *context, std::uint32_t levelMask, const char *functionName, std::uint32_t line,
            const char *format, const char *message) {
    std::optional<std::string> function;
    if (functionName != nullptr) {
        function = functionName;
    }
    static_cast<std::vector<Message> *>(context)->push_back(
        Message{levelMask, function, line, format, message});
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

} // namespace qrvx::test
