/* A program outside the project that uses the installed package. */
#include <qrvx.h>
#include <qrvx_host_trace.h>

int main(void) {
    static const uint8_t graphic[] = {'*', '0', '3', 'V', 'E', '8', '*', 0x01, 0x80};
    qrvxGraphicsSections sections;
    qrvxGraphicsParameters parameters;
    QTR_useNoLogger();
    return qrvxParseGraphicsSections(graphic, sizeof graphic, &sections) == 0 &&
                   qrvxParseGraphicsParameters(graphic, sizeof graphic, &parameters) == 0 &&
                   parameters.columnSize == 8 && sections.pixelDataLength == 2
               ? 0
               : 1;
}
