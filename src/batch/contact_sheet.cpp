// A contact sheet drawn band by band (a row of cells each) as the signs come, in their order,
// and streamed into its file: it never holds more than a band, and draws each sign from its
// values as made.
#include "contact_sheet.hpp"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <stdexcept>

#include "option_values.hpp"

namespace qrvx::batch {
namespace {

constexpr std::uint32_t padding = 8;  // around the sheet and between cells
constexpr std::uint32_t labelGap = 3; // between a code and its sign
constexpr std::uint32_t sheetWidth = 1280;
constexpr std::uint64_t largestBox = 100'000;
// Black like the signs' own background, so that a sheet of white signs needs four colours:
// two bits a pixel.
constexpr std::uint32_t background = 0x000000;
constexpr std::uint32_t labelColour = 0xFFFFFF;
constexpr std::uint32_t frameColour = 0x404040;
constexpr std::uint32_t refusedColour = 0xFF5A5A;

// Sizes in sheet pixels.
struct Layout {
    std::uint32_t scale = 2;
    std::uint32_t labelHeight = 0;
    std::uint32_t boxWidth = 0; // room for the largest sign and its frame
    std::uint32_t boxHeight = 0;
    std::uint32_t cellWidth = 0;
    std::uint32_t cellHeight = 0;
    std::uint32_t columns = 1;
    std::uint64_t bands = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    std::uint32_t labelTop() const { return padding; }
    std::uint32_t boxTop() const { return padding + labelHeight + labelGap; }
};

// Small lists get larger signs; a long list is an overview.
Layout layoutFor(const SheetPlan &contents, const text::Font &labelFont) {
    Layout layout;
    const std::uint64_t signs = std::max<std::uint64_t>(contents.signs, 1);
    layout.scale = signs <= 200 ? 2 : 1;
    layout.labelHeight =
        static_cast<std::uint32_t>(std::max(labelFont.ascent() + labelFont.descent(), 1));
    const std::uint64_t boxWidth =
        std::max<std::uint64_t>(std::uint64_t{contents.widest} * layout.scale, 64) + 2;
    const std::uint64_t boxHeight =
        std::max<std::uint64_t>(std::uint64_t{contents.tallest} * layout.scale, 8) + 2;
    if (boxWidth > largestBox || boxHeight > largestBox) {
        throw std::runtime_error("signs too large for a contact sheet");
    }
    layout.boxWidth = static_cast<std::uint32_t>(boxWidth);
    layout.boxHeight = static_cast<std::uint32_t>(boxHeight);
    // A band is a row of cells, each with the padding above it and at its left.
    layout.cellWidth = layout.boxWidth + padding;
    layout.cellHeight = layout.boxTop() + layout.boxHeight;
    layout.columns = static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>((sheetWidth - padding) / layout.cellWidth, 1, signs));
    layout.bands = (signs + layout.columns - 1) / layout.columns;
    const std::uint64_t height = layout.bands * layout.cellHeight + padding;
    if (height > PNG_UINT_31_MAX) {
        throw std::runtime_error("too many signs for one contact sheet");
    }
    layout.width = padding + layout.columns * layout.cellWidth;
    layout.height = static_cast<std::uint32_t>(height);
    return layout;
}

// What a pixel is stored as: a palette index, or three bytes of RGB when the signs have too
// many colours for a palette.
using Paint = std::array<std::uint8_t, 3>;

class Band {
public:
    Band(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t> &palette)
        : width_(width), height_(height), palette_(palette), step_(palette.empty() ? 3 : 1),
          pixels_(std::size_t{width} * height * step_) {
        fill(0, 0, width, height, paint(background));
    }

    Paint paint(std::uint32_t colour) const {
        if (step_ == 3) {
            return {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                    static_cast<std::uint8_t>(colour)};
        }
        return {static_cast<std::uint8_t>(std::ranges::lower_bound(palette_, colour) -
                                          palette_.begin()),
                0, 0};
    }

    // A rectangle, cut at the band's edges.
    void fill(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
              const Paint &paint) {
        if (x >= width_ || y >= height_) {
            return;
        }
        width = std::min(width, width_ - x);
        height = std::min(height, height_ - y);
        for (std::uint32_t row = y; row < y + height; ++row) {
            put(at(x, row), width, paint);
        }
    }

    void frame(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
               const Paint &paint) {
        fill(x, y, width, 1, paint);
        fill(x, y + height - 1, width, 1, paint);
        fill(x, y, 1, height, paint);
        fill(x + width - 1, y, 1, height, paint);
    }

    // Pixel values drawn in paints, each as a square of scale x scale, cut at the band's edges.
    void scaledRow(std::uint32_t x, std::uint32_t y, std::span<const std::uint8_t> values,
                   std::uint32_t scale, const std::array<Paint, 4> &paints) {
        if (y >= height_ || x >= width_) {
            return;
        }
        const std::size_t count = std::min<std::size_t>(values.size(), (width_ - x) / scale);
        std::uint8_t *first = at(x, y);
        std::uint8_t *next = first;
        for (std::size_t column = 0; column < count; ++column, next += scale * step_) {
            put(next, scale, paints[values[column] & 3]);
        }
        const std::size_t bytes = static_cast<std::size_t>(next - first);
        for (std::uint32_t copy = 1; copy < scale && y + copy < height_; ++copy) {
            std::memcpy(first + std::size_t{copy} * width_ * step_, first, bytes);
        }
    }

    // The rows as the file holds them.
    std::vector<std::uint8_t> take(int bits) {
        if (step_ == 3) {
            return std::move(pixels_);
        }
        const std::size_t rowBytes = packedBytes(width_, bits);
        std::vector<std::uint8_t> packed(rowBytes * height_);
        for (std::uint32_t y = 0; y < height_; ++y) {
            packIndices(std::span(pixels_).subspan(std::size_t{y} * width_, width_), bits,
                        packed.data() + y * rowBytes);
        }
        return packed;
    }

private:
    std::uint8_t *at(std::uint32_t x, std::uint32_t y) {
        return pixels_.data() + (std::size_t{y} * width_ + x) * step_;
    }

    void put(std::uint8_t *to, std::uint32_t count, const Paint &paint) const {
        if (step_ == 1 && count <= 4) {
            std::fill_n(to, count, paint[0]); // a pixel or a few, without a call
            return;
        }
        if (step_ == 1) {
            std::memset(to, paint[0], count);
            return;
        }
        for (std::uint32_t n = 0; n < count; ++n, to += 3) {
            std::memcpy(to, paint.data(), 3);
        }
    }

    std::uint32_t width_;
    std::uint32_t height_;
    std::vector<std::uint32_t> palette_;
    std::size_t step_;
    std::vector<std::uint8_t> pixels_;
};

// The sheet's own colours and the signs': a palette when they fit one, else none (RGB).
std::vector<std::uint32_t> sheetPalette(const SheetPlan &plan) {
    std::set<std::uint32_t> colours(plan.colours.begin(), plan.colours.end());
    colours.insert({background, labelColour, frameColour, refusedColour});
    if (colours.size() > sheetColourLimit) {
        return {};
    }
    return {colours.begin(), colours.end()};
}

PngHeader headerOf(const Layout &layout, const std::vector<std::uint32_t> &palette,
                   std::string_view title) {
    PngHeader header{layout.width, layout.height, {}, std::string(title)};
    // zlib's fastest level takes a quarter of the time of its default for a file half as
    // large again, and the sheet is compressed while the signs are made.
    header.compressionLevel = 1;
    for (const std::uint32_t colour : palette) {
        header.palette.push_back(rgbOf(colour));
    }
    return header;
}

} // namespace

std::uint32_t rgbWord(const author::Rgb &rgb) {
    return std::uint32_t{rgb.red} << 16 | std::uint32_t{rgb.green} << 8 | rgb.blue;
}

struct ContactSheet::Drawing {
    Drawing(const SheetPlan &plan, const text::Font &font, PngSink sink)
        : labelFont(font), layout(layoutFor(plan, font)), palette(sheetPalette(plan)),
          bits(indexBits(palette.size())),
          rowBytes(palette.empty() ? std::size_t{layout.width} * 3
                                   : packedBytes(layout.width, bits)),
          writer(headerOf(layout, palette, plan.title), std::move(sink)) {}

    const text::Font &labelFont;
    Layout layout;
    std::vector<std::uint32_t> palette;
    int bits;
    std::size_t rowBytes;
    PngWriter writer;
    std::optional<Band> band;
    std::uint32_t cell = 0; // of the band, the next to draw
    std::uint64_t bandsWritten = 0;

    void writeBand() {
        const std::vector<std::uint8_t> pixels = band->take(bits);
        for (std::uint32_t y = 0; y < layout.cellHeight; ++y) {
            writer.row(pixels.data() + y * rowBytes);
        }
        band.reset();
        cell = 0;
        ++bandsWritten;
    }

    // The code in the label font's own glyphs, cut at the cell's width.
    void label(std::uint32_t x, std::string_view code, const Paint &paint) {
        const std::int32_t baseline =
            static_cast<std::int32_t>(layout.labelTop()) + labelFont.ascent();
        std::int64_t pen = x;
        const std::int64_t end = x + layout.boxWidth;
        for (const char c : code) {
            const text::Glyph *glyph = labelFont.glyph(static_cast<unsigned char>(c));
            if (glyph == nullptr) {
                continue; // a code is letters, digits, "-" and "_", which label fonts have
            }
            for (std::uint32_t y = 0; y < glyph->rows; ++y) {
                for (std::uint32_t column = 0; column < glyph->width; ++column) {
                    const std::int64_t left = pen + glyph->left + column;
                    const std::int64_t top = std::int64_t{baseline} - glyph->top + y;
                    if (glyph->pixels[std::size_t{y} * glyph->width + column] != 0 && left >= 0 &&
                        left < end && top >= 0) {
                        band->fill(static_cast<std::uint32_t>(left),
                                   static_cast<std::uint32_t>(top), 1, 1, paint);
                    }
                }
            }
            pen += std::int64_t{glyph->advance} + labelFont.naturalSpacing();
        }
    }

    // The sign's values in its palette's colours, in a frame.
    void sign(std::uint32_t x, const text::Sign &sign, const std::array<author::Rgb, 4> &colours) {
        std::array<Paint, 4> paints{};
        for (std::size_t value = 0; value < paints.size(); ++value) {
            paints[value] = band->paint(rgbWord(colours[value]));
        }
        const std::uint32_t scale = layout.scale;
        const std::uint32_t top = layout.boxTop();
        band->frame(x, top, sign.width * scale + 2, sign.height * scale + 2,
                    band->paint(frameColour));
        for (std::uint32_t y = 0; y < sign.height; ++y) {
            band->scaledRow(x + 1, top + 1 + y * scale,
                            std::span(sign.values).subspan(std::size_t{y} * sign.width, sign.width),
                            scale, paints);
        }
    }
};

ContactSheet::ContactSheet(const SheetPlan &plan, const text::Font &labelFont, PngSink sink)
    : drawing_(std::make_unique<Drawing>(plan, labelFont, std::move(sink))) {}

ContactSheet::~ContactSheet() = default;

void ContactSheet::add(std::string_view code, const text::Sign *sign,
                       const std::array<author::Rgb, 4> &palette) {
    Drawing &d = *drawing_;
    if (d.bandsWritten == d.layout.bands) {
        throw std::logic_error("more signs than the contact sheet was planned for");
    }
    if (!d.band) {
        d.band.emplace(d.layout.width, d.layout.cellHeight, d.palette);
    }
    const std::uint32_t x = padding + d.cell * d.layout.cellWidth;
    d.label(x, code, d.band->paint(sign != nullptr ? labelColour : refusedColour));
    if (sign != nullptr) {
        d.sign(x, *sign, palette);
    } else {
        d.band->frame(x, d.layout.boxTop(), d.layout.boxWidth, d.layout.boxHeight,
                      d.band->paint(refusedColour));
    }
    if (++d.cell == d.layout.columns) {
        d.writeBand();
    }
}

void ContactSheet::finish() {
    Drawing &d = *drawing_;
    if (d.band) {
        d.writeBand();
    }
    while (d.bandsWritten < d.layout.bands) { // fewer signs came than planned: empty bands
        d.band.emplace(d.layout.width, d.layout.cellHeight, d.palette);
        d.writeBand();
    }
    const std::vector<std::uint8_t> blank = Band(d.layout.width, 1, d.palette).take(d.bits);
    for (std::uint32_t y = 0; y < padding; ++y) {
        d.writer.row(blank.data());
    }
    d.writer.finish();
}

} // namespace qrvx::batch
