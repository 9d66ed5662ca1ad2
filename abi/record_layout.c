/* Prints the size and alignment of every record of qrvx.h and the offset and size of every field,
 * as a C compiler lays them out for a host. Each field is listed by name, so a renamed or removed
 * field stops the build; abi/check.sh counts them against the library's own description. */
#include <qrvx.h>
#include <stdalign.h>
#include <stdio.h>

typedef struct Field {
    const char *name;
    size_t offset, size;
} Field;

static void printRecord(const char *record, size_t size, size_t alignment, const Field *fields,
                        size_t count) {
    printf("%s size %zu align %zu\n", record, size, alignment);
    for (size_t i = 0; i < count; ++i) {
        printf("%s.%s offset %zu size %zu\n", record, fields[i].name, fields[i].offset,
               fields[i].size);
    }
}

#define NAME(record) #record
#define NAME_OF(record) NAME(record)
/* A field of the record R. */
#define F(field)                                                                                   \
    { #field, offsetof(R, field), sizeof(((R *)0)->field) }
/* R and its fields. */
#define RECORD(...)                                                                                \
    do {                                                                                           \
        const Field fields[] = {__VA_ARGS__};                                                      \
        printRecord(NAME_OF(R), sizeof(R), alignof(R), fields, sizeof fields / sizeof *fields);    \
    } while (0)

int main(void) {
#define R QRVX_Graphic
    RECORD(F(data), F(length), F(defaultRowSize), F(defaultColumnSize));
#undef R
#define R qrvxGraphicsSections
    RECORD(F(parameterBlock), F(parameterBlockLength), F(scrollMarker), F(pixelData),
           F(pixelDataLength));
#undef R
#define R ParamValue
    RECORD(F(value), F(present));
#undef R
#define R qrvxGraphicsParameters
    RECORD(F(rasterDirection), F(colourSystem), F(colourA), F(colourB), F(colourC), F(colourD),
           F(rowSize), F(columnSize), F(FG), F(BG), F(ST), F(SC), F(FC), F(BC), F(IT), F(IC), F(OT),
           F(OC), F(PA), F(PB), F(PC), F(PD), F(OS), F(IN), F(RL), F(RR), F(RF), F(routeA),
           F(routeC), F(routeB), F(routePresent), F(valid));
#undef R
#define R TrieNode
    RECORD(F(handler), F(children));
#undef R
#define R QRVX_Colour
    RECORD(F(red), F(green), F(blue));
#undef R
#define R QRVX_Bitmap
    RECORD(F(pixels), F(pixelCount), F(bitsPerPixel), F(width), F(height), F(palette),
           F(paletteCount), F(scrollMode));
#undef R
#define R QRVX_ExtractOptions
    RECORD(F(excludeRouteNumber), F(trimTrailing), F(trimLeading));
#undef R
#define R QRVX_Image
    RECORD(F(colourSystem), F(columnCount), F(columnSize), F(data), F(secondPlane), F(length));
#undef R
#define R QRVX_PNGOptions
    RECORD(F(foreground), F(background), F(title));
#undef R
#define R QRVX_ParamPair
    RECORD(F(given), F(first), F(second));
#undef R
#define R QRVX_RouteNumberPlane
    RECORD(F(data), F(byteCount), F(bitsPerPixel), F(width), F(height));
#undef R
#define R QRVX_RouteNumberGraphic
    RECORD(F(programmable), F(routeAtEnd), F(routeCode), F(fgBg), F(stSc), F(fcBc), F(itIc),
           F(otOc), F(paValue), F(pbValue), F(pcValue), F(pdValue), F(paletteGiven), F(fcGiven),
           F(fcValue), F(bcValue), F(icValue), F(ocValue), F(osValue), F(inValue), F(reservedLines),
           F(rfGiven), F(rfValue), F(planes));
#undef R
    return 0;
}
