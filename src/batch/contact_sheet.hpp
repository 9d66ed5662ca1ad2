// contact-sheet.png: every sign of a face under its code in one picture, for mail and chat. It is
// drawn band by band (a row of cells each) as the signs come in their order, from their values
// as made, and streamed into its file, so that it never holds the whole picture.
#pragma once

#include "png_writer.hpp"
#include "qrvx_batch.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qrvx::batch {

// What the sheet must know before its first band: how many signs, the largest one's size, the
// colours they are drawn in (0xRRGGBB), its title.
struct SheetPlan {
    std::uint64_t signs = 0;
    std::uint32_t widest = 0;
    std::uint32_t tallest = 0;
    std::vector<std::uint32_t> colours;
    std::string title;
};

inline constexpr std::size_t sheetColourLimit = 256;

std::uint32_t rgbWord(const author::Rgb &rgb);

class ContactSheet {
public:
    // The codes are drawn in labelFont. Throws std::runtime_error when the plan makes a sheet
    // too large, and what sink throws.
    ContactSheet(const SheetPlan &plan, const text::Font &labelFont, PngSink sink);
    ~ContactSheet();
    ContactSheet(const ContactSheet &) = delete;
    ContactSheet &operator=(const ContactSheet &) = delete;

    // The next sign in its palette's colours; null for one refused, drawn as an empty frame.
    void add(std::string_view code, const text::Sign *sign,
             const std::array<author::Rgb, 4> &palette);
    void finish();

private:
    struct Drawing;
    std::unique_ptr<Drawing> drawing_;
};

} // namespace qrvx::batch
