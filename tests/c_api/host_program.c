/* A C11 host that defines the trace services itself (no stand-in library linked): the header is
 * plain C, and messages reach the host's logger with its handle, level, function and line. */
#include "qrvx.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static struct { uint32_t tag, enabledLevels; } logger = {0, 0x10};
static int loggerPresent;

static char lastText[256];
static uint32_t lastLevel, lastLine;
static const char *lastFunction;
static const void *lastHandle;

void *QTR_logger(void) {
    return loggerPresent ? &logger : NULL;
}

int zvm_logger_print3(void *handle, uint32_t levelMask, const char *functionName, uint32_t line,
                      const void *reserved1, const void *reserved2, const char *format,
                      va_list args) {
    vsnprintf(lastText, sizeof lastText, format, args);
    lastHandle = reserved1 == NULL && reserved2 == NULL ? handle : "reserved";
    lastLevel = levelMask;
    lastFunction = functionName;
    lastLine = line;
    return 0;
}

int main(void) {
    static const uint8_t block[] = "*03CS3*";
    qrvxGraphicsParameters parameters;
    int ok = qrvxParseGraphicsParameters(block, 7, &parameters) == 0 && lastHandle == NULL &&
             lastLevel == 0x02 && lastFunction == NULL && lastLine == 0 &&
             strcmp(lastText, "Incorrect Colour System 3. Using Default") == 0;
    loggerPresent = 1;
    ok = ok && qrvxParseGraphicsParameters(block, 7, &parameters) == 0 && lastHandle == &logger &&
         lastLevel == 0x10 && strcmp(lastFunction, "qrvxParseGraphicsParameters") == 0 &&
         lastLine == 947 && strcmp(lastText, "GRAPHIC PARAM: CS3") == 0;
    ok = ok && QRVX_parse(NULL, NULL) == -EINVAL;
    puts(ok ? "C host program: all checks passed" : "C host program: a check failed");
    return ok ? 0 : 1;
}
