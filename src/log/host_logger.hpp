// The host's trace services. The host defines both; the library only calls them.
#pragma once

#include <cstdarg>
#include <cstdint>

extern "C" {
void *QTR_logger(void);
int zvm_logger_print3(void *logger, uint32_t levelMask, const char *functionName, uint32_t line,
                      const void *reserved1, const void *reserved2, const char *format,
                      va_list args);
}
