/*
 * qrvx: graphics of route-number sign displays.
 *
 * A graphic is a byte buffer: an optional parameter block ("*", two hex digits N, N bytes of
 * text, "*"), an optional scroll marker ("U" then 0x00 or 0x01) and packed pixel data.
 *
 * Conventions
 * - Every function that can fail returns 0 or a negative errno value (-EINVAL, -ENOMEM, ...).
 * - The caller owns every buffer and record it passes in. Pointers handed back inside records
 *   (sections, extracted images, route-number planes) point into the caller's graphic buffer:
 *   they own nothing and stay valid only while that buffer is neither freed nor changed.
 * - Memory handed to the caller comes from malloc/calloc: a QRVX_Bitmap is released with
 *   QRVX_free, the buffer of QRVX_programRouteNumber with free().
 * - No call keeps state between calls; every function is reentrant. Diagnostics go to the host's
 *   trace logger (QTR_logger / zvm_logger_print3), which the host provides.
 */
#ifndef QRVX_H
#define QRVX_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define QRVX_API __attribute__((visibility("default")))
#else
#define QRVX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The caller's description of one graphic. Defaults of 0 mean "none" (then 8 applies). */
typedef struct QRVX_Graphic {
    uint8_t *data;
    uint32_t length;
    uint32_t defaultRowSize;    /* row length of a horizontal raster whose parameters give none */
    uint32_t defaultColumnSize; /* column length of a vertical raster whose parameters give none */
} QRVX_Graphic;

/* Where the sections of a graphic lie; every pointer is into the caller's buffer or null. */
typedef struct qrvxGraphicsSections {
    const uint8_t *parameterBlock; /* the opening "*" */
    uint32_t parameterBlockLength; /* N + 4, or 0 without a block */
    const uint8_t *scrollMarker;   /* the "U" */
    const uint8_t *pixelData;
    uint32_t pixelDataLength;
} qrvxGraphicsSections;

/* One numeric parameter: present is 1 once its key was seen, even with a malformed value. */
typedef struct ParamValue {
    int32_t value;
    uint8_t present;
} ParamValue;

/* The parsed parameter text. Initial state: everything 0, valid 1. */
typedef struct qrvxGraphicsParameters {
    uint32_t rasterDirection; /* 0 vertical ("VE"), 1 horizontal ("HE") */
    uint32_t colourSystem;    /* 0 monochrome, 1 two one-bit planes, 2 two bits per pixel */
    uint32_t colourA, colourB, colourC, colourD; /* copies of PA..PD */
    uint32_t rowSize, columnSize;
    ParamValue FG, BG, ST, SC, FC, BC, IT, IC, OT, OC, PA, PB, PC, PD, OS, IN, RL, RR, RF;
    uint16_t routeA, routeC, routeB; /* "@RP" a/b/c */
    uint8_t routePresent;
    uint8_t valid; /* 0 once a "ZJSON" token was seen */
} qrvxGraphicsParameters;

/* A handler gets the text that follows its key (not NUL-terminated in general) and its length. */
typedef int32_t (*TrieHandler)(void *context, const uint8_t *rest, int32_t restLength);

typedef struct TrieNode {
    TrieHandler handler;
    struct TrieNode *children[256];
} TrieNode;

/* Three words: red, green, blue. */
typedef struct QRVX_Colour {
    uint32_t red, green, blue;
} QRVX_Colour;

/* A decoded graphic, one byte per pixel, row after row (width is also the stride). */
typedef struct QRVX_Bitmap {
    uint8_t *pixels;
    uint32_t pixelCount;   /* bytes in pixels; may exceed width x height for a vertical raster */
    uint32_t bitsPerPixel; /* always 8 */
    uint32_t width;
    uint32_t height;
    QRVX_Colour *palette; /* 4 entries for colour systems 1 and 2, else null */
    uint32_t paletteCount;
    uint32_t scrollMode; /* 0 no marker, 1 marker byte 0x01, 2 marker byte 0x00 */
} QRVX_Bitmap;

/* Flags: 0 off, anything else on. The trims apply to colour system 0 only. */
typedef struct QRVX_ExtractOptions {
    uint8_t excludeRouteNumber, trimTrailing, trimLeading;
} QRVX_ExtractOptions;

/* A window into the caller's pixel data, in the packed format of a vertical raster. */
typedef struct QRVX_Image {
    uint32_t colourSystem, columnCount, columnSize;
    const uint8_t *data;
    const uint8_t *secondPlane; /* colour system 1 only, else null */
    uint32_t length;            /* bytes of the image (in each plane) */
} QRVX_Image;

typedef struct QRVX_PNGOptions {
    QRVX_Colour foreground, background; /* bits 0-7 of each word; used without a palette */
    const char *title;                  /* "Title" text chunk; may be null */
} QRVX_PNGOptions;

typedef struct QRVX_ParamPair {
    uint8_t given; /* 1 when either key was given */
    int32_t first, second;
} QRVX_ParamPair;

/* One plane of a route-number area; data points into the caller's graphic or is null. */
typedef struct QRVX_RouteNumberPlane {
    const uint8_t *data;
    uint32_t byteCount, bitsPerPixel, width, height;
} QRVX_RouteNumberPlane;

typedef struct QRVX_RouteNumberGraphic {
    uint8_t programmable; /* "RL" or "RR" given */
    uint32_t routeAtEnd;  /* 1: area at the end of the pixel data (of each plane) */
    uint32_t routeCode;   /* "@RP" first number when 1..3, else 0 */
    QRVX_ParamPair fgBg, stSc, fcBc, itIc, otOc;
    int32_t paValue, pbValue, pcValue, pdValue;
    uint8_t paletteGiven;
    uint8_t fcGiven;
    int32_t fcValue, bcValue, icValue, ocValue, osValue, inValue, reservedLines;
    uint8_t rfGiven;
    int32_t rfValue;
    QRVX_RouteNumberPlane planes[2];
} QRVX_RouteNumberGraphic;

/* ---- Graphic structure ------------------------------------------------------------------ */

/* Splits data[0..length) into its sections; nothing is copied. 0, or -EINVAL for null
 * pointers. */
QRVX_API int qrvxParseGraphicsSections(const uint8_t *data, uint32_t length,
                                       qrvxGraphicsSections *out);

/* Scroll mode of a marker found by qrvxParseGraphicsSections (null gives 0). 0, or -EINVAL
 * when mode is null or the bytes are no scroll marker. */
QRVX_API int qrvxParseScroll(const uint8_t *scrollMarker, uint32_t *mode);

/* Bytes in front of the pixel data: the parameter block plus 2 for a scroll marker. */
QRVX_API uint32_t QRVX_getHeaderLength(const uint8_t *data, uint32_t length);

/* Parses the parameter block that starts at block (its "*"), bounded by blockLength. The record
 * is always initialised first. 0; -ENOMEM; -EINVAL when the text holds a "ZJSON" token (the
 * record then holds everything the text set) or out is null. */
QRVX_API int qrvxParseGraphicsParameters(const uint8_t *block, uint32_t blockLength,
                                         qrvxGraphicsParameters *out);

/* ---- Key dispatch trie ------------------------------------------------------------------- */
/* The root belongs to the caller (stack or trieCreate); nodes below it belong to the trie until
 * trieDelete. Keys are any bytes. */

/* Clears a root. 0, or -EINVAL for a null root. */
QRVX_API int trieInit(TrieNode *root);
/* A new empty node from calloc (release with trieDelete, then free), or null. */
QRVX_API TrieNode *trieCreate(void);
/* Registers key[0..keyLength) with handler (null: a handler that returns 0); a key registered
 * again gets the new handler. 0, -EINVAL, or -ENOMEM (nodes made before the failure stay until
 * trieDelete). */
QRVX_API int trieInsert(TrieNode *root, const uint8_t *key, int keyLength, TrieHandler handler);
/* Follows text as far as the trie goes and calls the handler of the node reached with the rest
 * of the text; no fallback to a shorter key. The handler's result, -EINVAL, or -EBADMSG when the
 * node reached has no handler. */
QRVX_API int trieSearch(TrieNode *root, const uint8_t *text, int textLength, void *context);
/* Frees every node below root and clears its children; root and its handler stay. */
QRVX_API void trieDelete(TrieNode *root);

/* ---- Decoding and export ----------------------------------------------------------------- */

/* Decodes a graphic into out (zeroed first). Call QRVX_free on out after every call, whatever
 * the result. 0, -EINVAL, -ENOMEM, -E2BIG (pixel count beyond 32 bits), -EOPNOTSUPP. */
QRVX_API int QRVX_parse(const QRVX_Graphic *graphic, QRVX_Bitmap *out);
/* Releases what QRVX_parse left in bitmap and zeroes it (scrollMode stays); safe to repeat. */
QRVX_API void QRVX_free(QRVX_Bitmap *bitmap);

/* Locates the packed image of a vertical-raster graphic inside its own pixel data. image is
 * written only on success. 0; -EOPNOTSUPP for a horizontal raster; -EINVAL for a "ZJSON" token,
 * a column size that overflows when rounded to bytes, or a route-number area that does not fit
 * the plane; -ENOMEM. */
QRVX_API int QRVX_extractImage(const QRVX_Graphic *graphic, const QRVX_ExtractOptions *options,
                               QRVX_Image *image);

/* Writes the graphic as an 8-bit RGB PNG with one "Title" text chunk. 0; the error of
 * QRVX_parse (the file is then untouched); the negated errno of fopen; -ENOMEM; -EIO when
 * writing fails. */
QRVX_API int QRVX_convertToPNG(const QRVX_Graphic *graphic, const QRVX_PNGOptions *options,
                               const char *fileName);

/* ---- Route numbers ----------------------------------------------------------------------- */

/* 1 when the graphic's parameters give "RL" or "RR"; 0 otherwise or when they cannot be parsed. */
QRVX_API uint8_t QRVX_routeNumberProgrammable(const QRVX_Graphic *graphic);

/* Describes the route-number area (planes point into the graphic) and display attributes.
 * 0; the parameter parse's error (out untouched); -EINVAL when the area lies outside the pixel
 * data; -EOPNOTSUPP for colour system 1 with a horizontal raster. */
QRVX_API int QRVX_getRouteNumberGraphic(const QRVX_Graphic *graphic, QRVX_RouteNumberGraphic *out);

/* Builds a new graphic: source's parameter block, target's scroll marker, target's pixel data
 * with the source's route-number bytes spliced in. On 0 (and on -E2BIG, when the route number
 * does not fit the target: pixel area zeroed) the caller owns *outData and frees it with free().
 * A null source returns 0 and touches nothing. Refusals, with *outData null and *outLength 0:
 * -EOPNOTSUPP (rasters or colour systems differ, target without "RL"/"RR"), -EEXIST (target
 * already programmed), -ENODATA (source without route number), -EINVAL (source shorter than
 * its route number), -ENOMEM. A parse error of either graphic is returned with the outputs
 * untouched. */
QRVX_API int QRVX_programRouteNumber(const QRVX_Graphic *target, const QRVX_Graphic *source,
                                     uint8_t **outData, uint32_t *outLength);

/* Deletes the first "RL" (else "RR") token of the parameter block in place and shrinks
 * graphic->length; pointers into the graphic taken before no longer fit. 0 (also without a
 * block); -ENOENT; -ENOMEM; -EINVAL. The graphic is unchanged on every error. */
QRVX_API int QRVX_markRouteNumberProgrammed(QRVX_Graphic *graphic);

#ifdef __cplusplus
}
#endif

#endif /* QRVX_H */
