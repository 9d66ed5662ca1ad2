#include "qrvx_host_trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

// The record's second word holds the enabled level bits, where the library reads them.
struct LoggerRecord {
    uint32_t tag;
    uint32_t enabledLevels;
};

struct State {
    std::mutex mutex;
    bool present = false;
    LoggerRecord record{0x51545200u, 0};
    QTR_Sink sink = nullptr;
    void *sinkContext = nullptr;
};

State &state() {
    static State instance;
    return instance;
}

const char *levelName(uint32_t levelMask) {
    switch (levelMask) {
    case QTR_LEVEL_ERROR:
        return "error";
    case QTR_LEVEL_DEBUG:
        return "debug";
    case QTR_LEVEL_VERBOSE:
        return "verbose";
    default:
        return "trace";
    }
}

// Formats into a fixed buffer: a trace call must work even when the heap is exhausted.
struct FormattedMessage {
    char text[1024];
};

void formatMessage(FormattedMessage &message, const char *format, va_list args) {
    if (std::vsnprintf(message.text, sizeof message.text, format, args) < 0) {
        message.text[0] = '\0';
    }
}

void printToStderr(void *, uint32_t levelMask, const char *functionName, uint32_t line,
                   const char *, const char *message) {
    std::fprintf(stderr, "[qrvx %s] %s:%u: %s\n", levelName(levelMask),
                 functionName != nullptr ? functionName : "-", line, message);
}

} // namespace

extern "C" {

void QTR_useNoLogger(void) {
    std::lock_guard lock(state().mutex);
    state().present = false;
}

void QTR_useLogger(uint32_t enabledLevels) {
    std::lock_guard lock(state().mutex);
    state().present = true;
    state().record.enabledLevels = enabledLevels;
}

void QTR_setSink(QTR_Sink sink, void *context) {
    std::lock_guard lock(state().mutex);
    state().sink = sink;
    state().sinkContext = context;
}

void *QTR_logger(void) {
    std::lock_guard lock(state().mutex);
    return state().present ? &state().record : nullptr;
}

int zvm_logger_print3(void *, uint32_t levelMask, const char *functionName, uint32_t line,
                      const void *, const void *, const char *format, va_list args) {
    if (format == nullptr) {
        return -1;
    }
    FormattedMessage message;
    formatMessage(message, format, args);
    QTR_Sink sink;
    void *context;
    {
        std::lock_guard lock(state().mutex);
        sink = state().sink != nullptr ? state().sink : printToStderr;
        context = state().sinkContext;
    }
    sink(context, levelMask, functionName, line, format, message.text);
    return 0;
}

} // extern "C"
