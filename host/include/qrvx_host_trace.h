/*
 * A small stand-in for the host's trace library: it defines QTR_logger and zvm_logger_print3,
 * which libqrvx calls, and lets a program choose the logger and where messages go. A host with
 * its own trace library links that instead.
 */
#ifndef QRVX_HOST_TRACE_H
#define QRVX_HOST_TRACE_H

#include <stdarg.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Level bits of the host logger. */
#define QTR_LEVEL_ERROR 0x02u
#define QTR_LEVEL_DEBUG 0x10u
#define QTR_LEVEL_VERBOSE 0x20u

/* Receives one printed message: the format as passed and the text it gives. functionName may
 * be null. */
typedef void (*QTR_Sink)(void *context, uint32_t levelMask, const char *functionName, uint32_t line,
                         const char *format, const char *message);

/* QTR_logger() returns null from now on (the initial state). */
void QTR_useNoLogger(void);
/* QTR_logger() returns a logger whose enabled level bits are enabledLevels. */
void QTR_useLogger(uint32_t enabledLevels);
/* Where messages go; a null sink restores the default, one line per message on stderr. */
void QTR_setSink(QTR_Sink sink, void *context);

/* The host services themselves. */
void *QTR_logger(void);
int zvm_logger_print3(void *logger, uint32_t levelMask, const char *functionName, uint32_t line,
                      const void *reserved1, const void *reserved2, const char *format,
                      va_list args);

#ifdef __cplusplus
}
#endif

#endif /* QRVX_HOST_TRACE_H */
