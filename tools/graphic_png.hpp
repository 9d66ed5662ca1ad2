// A graphic drawn as an RGB PNG file through the library's export, as `qrvx png` draws it, and as
// `qrvx text` and `qrvx encode` draw a sign written to a name ending in .png.
#pragma once

#include "file_io.hpp"
#include "qrvx.hpp"

#include <string>

namespace qrvx::cli {

// The graphic's pixels into file, which the caller commits: in its palette under colour systems
// 1 and 2, in the foreground and background of options under 0. Failures name `input` when the
// graphic gives no picture (it does not decode, has no pixels or a side past libpng's limit),
// and the file when writing fails.
void writeGraphicPng(const std::string &input, const Graphic &graphic, OutputFile &file,
                     const PngOptions &options);

} // namespace qrvx::cli
