// A graphic drawn in the terminal under a headline, as `qrvx show` draws each of its files and
// `qrvx text` and `qrvx encode` draw a sign with --show.
#pragma once

#include "qrvx.hpp"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace qrvx::cli {

struct DrawingStyle {
    bool colour = false;
    std::uint32_t width = 80; // a wider graphic is folded into bands of columns
    Colour foreground{255, 255, 255};
    Colour background{0, 0, 0};
};

// Colour when standard output is a terminal and NO_COLOR is unset or empty, unless `forced`
// says plain (false) or colour (true).
bool drawsInColour(std::optional<bool> forced = std::nullopt);

// `given`, else the terminal's columns, else COLUMNS, else 80.
std::uint32_t terminalWidth(std::optional<std::uint32_t> given = std::nullopt);

// As the terminal shows it with no options: white on black without a palette.
DrawingStyle terminalStyle();

// The pixels to draw; Failure(name, "decoding") when the graphic does not decode.
Bitmap decodeGraphic(const std::string &name, ByteSpan bytes);

// "NAME  W x H, colour system N[, K colours]", then the picture of bitmap, decoded from bytes.
void drawGraphic(std::ostream &out, const std::string &name, ByteSpan bytes, const Bitmap &bitmap,
                 const DrawingStyle &style);

} // namespace qrvx::cli
