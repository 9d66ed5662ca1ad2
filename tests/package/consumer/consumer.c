/* A program outside the project that uses the installed package. */
#include <qrvx.h>
#include <qrvx_host_trace.h>

#include <stdio.h>

int main(void) {
    static const uint8_t graphic[] = {'*', '0', '3', 'V', 'E', '8', '*', 0x01, 0x80};
    qrvxGraphicsSections sections;
    qrvxGraphicsParameters parameters;
    QTR_useNoLogger();
    if (qrvxParseGraphicsSections(graphic, sizeof graphic, &sections) != 0 ||
        qrvxParseGraphicsParameters(sections.parameterBlock, sections.parameterBlockLength,
                                    &parameters) != 0 ||
        parameters.columnSize != 8 || sections.pixelDataLength != 2) {
        fputs("consumer: unexpected result\n", stderr);
        return 1;
    }
    puts("consumer: ok");
    return 0;
}
