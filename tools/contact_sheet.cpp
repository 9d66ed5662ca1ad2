#include "contact_sheet.hpp"

#include "file_io.hpp"
#include "ordered_pipeline.hpp"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace qrvx::cli {
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

std::uint32_t rgbWord(const author::Rgb &rgb) {
    return std::uint32_t{rgb.red} << 16 | std::uint32_t{rgb.green} << 8 | rgb.blue;
}

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
Layout layoutFor(const SheetContents &contents, const text::Font &labelFont) {
    Layout layout;
    const std::uint64_t signs = contents.codes->size();
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
    const std::vector<std::uint32_t> &palette_;
    std::size_t step_;
    std::vector<std::uint8_t> pixels_;
};

class SheetPainter {
public:
    SheetPainter(const SheetContents &contents, const text::Font &labelFont, const Layout &layout,
                 const std::vector<std::uint32_t> &palette)
        : contents_(contents), labelFont_(labelFont), layout_(layout), palette_(palette),
          bits_(indexBits(palette.size())) {}

    std::vector<std::uint8_t> band(std::uint64_t index) const {
        Band band(layout_.width, layout_.cellHeight, palette_);
        const std::uint64_t first = index * layout_.columns;
        const std::uint64_t end =
            std::min<std::uint64_t>(first + layout_.columns, contents_.codes->size());
        for (std::uint64_t row = first; row < end; ++row) {
            const std::uint32_t x =
                padding + static_cast<std::uint32_t>(row - first) * layout_.cellWidth;
            const std::string_view code = (*contents_.codes)[row];
            const bool made = (*contents_.made)[row];
            label(band, x, code, band.paint(made ? labelColour : refusedColour));
            if (made) {
                sign(band, x, code);
            } else {
                band.frame(x, layout_.boxTop(), layout_.boxWidth, layout_.boxHeight,
                           band.paint(refusedColour));
            }
        }
        return band.take(bits_);
    }

private:
    // The code in the label font's own glyphs, cut at the cell's width.
    void label(Band &band, std::uint32_t x, std::string_view code, const Paint &paint) const {
        const std::int32_t baseline =
            static_cast<std::int32_t>(layout_.labelTop()) + labelFont_.ascent();
        std::int64_t pen = x;
        const std::int64_t end = x + layout_.boxWidth;
        for (const char c : code) {
            const text::Glyph *glyph = labelFont_.glyph(static_cast<unsigned char>(c));
            if (glyph == nullptr) {
                continue; // a code is letters, digits, "-" and "_", which label fonts have
            }
            for (std::uint32_t y = 0; y < glyph->rows; ++y) {
                for (std::uint32_t column = 0; column < glyph->width; ++column) {
                    const std::int64_t left = pen + glyph->left + column;
                    const std::int64_t top = baseline - glyph->top + y;
                    if (glyph->pixels[std::size_t{y} * glyph->width + column] != 0 && left >= 0 &&
                        left < end && top >= 0) {
                        band.fill(static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                                  1, 1, paint);
                    }
                }
            }
            pen += glyph->advance + labelFont_.naturalSpacing();
        }
    }

    // The sign from its graphic, in the colours its PNG has, in a frame.
    void sign(Band &band, std::uint32_t x, std::string_view code) const {
        const std::string path = contents_.directory + "/" + std::string(code) + ".qrvx";
        const std::vector<std::uint8_t> graphic = readGraphic(path);
        const auto bitmap = Bitmap::decode(Graphic{graphic});
        if (!bitmap) {
            throw std::runtime_error(path + ": reading it back: " + bitmap.error().message());
        }
        const auto colours = signPalette(*bitmap);
        std::array<Paint, 4> paints{};
        for (std::size_t value = 0; value < paints.size(); ++value) {
            paints[value] = band.paint(rgbWord(colours[value]));
        }
        const std::uint32_t scale = layout_.scale;
        const std::uint32_t top = layout_.boxTop();
        band.frame(x, top, bitmap->width() * scale + 2, bitmap->height() * scale + 2,
                   band.paint(frameColour));
        for (std::uint32_t y = 0; y < bitmap->height(); ++y) {
            band.scaledRow(x + 1, top + 1 + y * scale, bitmap->row(y), scale, paints);
        }
    }

    const SheetContents &contents_;
    const text::Font &labelFont_;
    const Layout &layout_;
    const std::vector<std::uint32_t> &palette_;
    int bits_;
};

// The sheet's own colours and the signs': a palette when they fit one, else none (RGB).
std::vector<std::uint32_t> sheetPalette(const SheetContents &contents) {
    std::set<std::uint32_t> colours = contents.colours;
    colours.insert({background, labelColour, frameColour, refusedColour});
    if (colours.size() > sheetColourLimit) {
        return {};
    }
    return {colours.begin(), colours.end()};
}

} // namespace

void writeContactSheet(const SheetContents &contents, const text::Font &labelFont,
                       std::string_view title, unsigned threads, const PngSink &sink) {
    const Layout layout = layoutFor(contents, labelFont);
    const std::vector<std::uint32_t> palette = sheetPalette(contents);
    PngHeader header{layout.width, layout.height, {}, std::string(title)};
    // Compressed on one thread while the others draw: zlib's fastest level takes a quarter of
    // the time of its default for a file half as large again.
    header.compressionLevel = 1;
    for (const std::uint32_t colour : palette) {
        header.palette.push_back({static_cast<std::uint8_t>(colour >> 16),
                                  static_cast<std::uint8_t>(colour >> 8),
                                  static_cast<std::uint8_t>(colour)});
    }
    PngWriter writer(header, sink);
    const int bits = indexBits(palette.size());
    const std::size_t rowBytes =
        palette.empty() ? std::size_t{layout.width} * 3 : packedBytes(layout.width, bits);
    const SheetPainter painter(contents, labelFont, layout, palette);
    OrderedPipeline<std::uint64_t, std::vector<std::uint8_t>> bands(
        threads, std::size_t{threads} * 2, 1,
        [&](std::uint64_t &band) { return painter.band(band); },
        [&](std::vector<std::uint8_t> &pixels) {
            for (std::uint32_t y = 0; y < layout.cellHeight; ++y) {
                writer.row(pixels.data() + y * rowBytes);
            }
        });
    for (std::uint64_t band = 0; band < layout.bands; ++band) {
        bands.submit(band);
    }
    bands.finish();
    const std::vector<std::uint8_t> blank = Band(layout.width, 1, palette).take(bits);
    for (std::uint32_t y = 0; y < padding; ++y) {
        writer.row(blank.data());
    }
    writer.finish();
}

} // namespace qrvx::cli
