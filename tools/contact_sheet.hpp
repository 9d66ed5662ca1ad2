// contact-sheet.png: every sign of a batch under its code in one picture, for mail and chat.
// It is drawn after the signs, band by band (a row of cells each) from the signs' graphics on
// the batch's threads, and streamed into its file, so that it never holds the whole picture.
#pragma once

#include "batch_list.hpp"
#include "png_writer.hpp"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace qrvx::cli {

// What the sheet needs to know of the signs before it draws the first band.
struct SheetContents {
    std::string directory; // where CODE.png are
    const ListCodes *codes = nullptr;
    const std::vector<bool> *made = nullptr; // a row's sign was made (else: refused)
    std::uint32_t widest = 0;                // the largest sign's size
    std::uint32_t tallest = 0;
    std::set<std::uint32_t> colours; // 0xRRGGBB of the signs' palettes, up to 257
};

inline constexpr std::size_t sheetColourLimit = 256;

// The sheet's PNG through sink; the codes drawn in labelFont.
void writeContactSheet(const SheetContents &contents, const text::Font &labelFont,
                       std::string_view title, unsigned threads, const PngSink &sink);

} // namespace qrvx::cli
