/* A C11 host that defines the trace services itself and checks what libqrvx reports through
 * them: sections, parameters, the trie, and every message with its level, function and line. */
#include "qrvx.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

struct HostLogger {
    uint32_t tag;
    uint32_t enabledLevels;
};

static struct HostLogger logger = {0, 0};
static int loggerPresent = 0;

static char lastText[256];
static uint32_t lastLevel;
static const char *lastFunction;
static uint32_t lastLine;
static const void *lastHandle;
static int printed;

void *QTR_logger(void) {
    return loggerPresent ? &logger : NULL;
}

int zvm_logger_print3(void *handle, uint32_t levelMask, const char *functionName, uint32_t line,
                      const void *reserved1, const void *reserved2, const char *format,
                      va_list args) {
    if (reserved1 != NULL || reserved2 != NULL) {
        return -1;
    }
    vsnprintf(lastText, sizeof lastText, format, args);
    lastHandle = handle;
    lastLevel = levelMask;
    lastFunction = functionName;
    lastLine = line;
    ++printed;
    return 0;
}

static int failures;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);          \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static int parse(const char *block, qrvxGraphicsParameters *out) {
    printed = 0;
    return qrvxParseGraphicsParameters((const uint8_t *)block, (uint32_t)strlen(block), out);
}

static int32_t countCall(void *context, const uint8_t *rest, int32_t restLength) {
    (void)rest;
    *(int *)context += 1;
    return restLength;
}

int main(void) {
    static const uint8_t graphic[] = {'*', '0', '3', 'C', 'S', '1', '*', 'U', 0x00, 0x12, 0x34};
    qrvxGraphicsSections sections;
    uint32_t mode = 9;
    CHECK(qrvxParseGraphicsSections(graphic, sizeof graphic, &sections) == 0);
    CHECK(sections.parameterBlock == graphic && sections.parameterBlockLength == 7);
    CHECK(sections.scrollMarker == graphic + 7);
    CHECK(sections.pixelData == graphic + 9 && sections.pixelDataLength == 2);
    CHECK(qrvxParseScroll(sections.scrollMarker, &mode) == 0 && mode == 2);
    CHECK(QRVX_getHeaderLength(graphic, sizeof graphic) == 9);

    qrvxGraphicsParameters parameters;
    loggerPresent = 0;
    CHECK(parse("*0ECS1,HE16,PA255*", &parameters) == 0);
    CHECK(printed == 0);
    CHECK(parameters.colourSystem == 1 && parameters.rasterDirection == 1);
    CHECK(parameters.rowSize == 16 && parameters.PA.present == 1 && parameters.colourA == 255);

    CHECK(parse("*03CS3*", &parameters) == 0);
    CHECK(printed == 1 && lastHandle == NULL && lastLevel == 0x02 && lastFunction == NULL);
    CHECK(lastLine == 0 && strcmp(lastText, "Incorrect Colour System 3. Using Default") == 0);

    loggerPresent = 1;
    logger.enabledLevels = 0x10;
    CHECK(parse("*07CS3,VE9*", &parameters) == 0);
    CHECK(printed == 1 && lastHandle == &logger && lastLevel == 0x10);
    CHECK(lastFunction != NULL && strcmp(lastFunction, "qrvxParseGraphicsParameters") == 0);
    CHECK(lastLine == 947 && strcmp(lastText, "GRAPHIC PARAM: CS3,VE9") == 0);

    logger.enabledLevels = 0x02;
    CHECK(parse("*09HE8,VE12x*", &parameters) == 0);
    CHECK(printed == 1 && lastLevel == 0x02 && lastHandle == &logger);
    CHECK(strcmp(lastText, "Incorrect Column Size 12x. Using Default") == 0);
    CHECK(parse("*04HE8x*", &parameters) == 0);
    CHECK(strcmp(lastText, "Incorrect Row Size 8x. Using Default") == 0);
    CHECK(parse("*09CS1,ZJSON*", &parameters) == -EINVAL && parameters.colourSystem == 1);

    TrieNode root;
    int calls = 0;
    CHECK(trieInit(&root) == 0);
    CHECK(trieInsert(&root, (const uint8_t *)"CS", 2, countCall) == 0);
    CHECK(trieSearch(&root, (const uint8_t *)"CS21", 4, &calls) == 2 && calls == 1);
    CHECK(trieSearch(&root, (const uint8_t *)"C", 1, &calls) == -EBADMSG);
    CHECK(trieInsert(&root, (const uint8_t *)"CS", 0, countCall) == -EINVAL);
    trieDelete(&root);
    CHECK(trieSearch(&root, (const uint8_t *)"CS", 2, &calls) == -EBADMSG);

    if (failures != 0) {
        fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    puts("C host program: all checks passed");
    return 0;
}
