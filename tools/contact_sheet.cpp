#include "contact_sheet.hpp"

#include "ordered_pipeline.hpp"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace qrvx::cli {
namespace {

constexpr std::uint32_t padding = 10; // around the sheet and between cells
constexpr std::uint32_t labelGap = 3; // between a code and its sign
constexpr std::uint32_t sheetWidth = 1280;
constexpr std::uint64_t largestBox = 100'000;
constexpr std::uint32_t background = 0x15171B;
constexpr std::uint32_t labelColour = 0xD8DADF;
constexpr std::uint32_t refusedColour = 0xFF6B6B;

std::uint32_t rgbWord(const author::Rgb &rgb) {
    return std::uint32_t{rgb.red} << 16 | std::uint32_t{rgb.green} << 8 | rgb.blue;
}

// Sizes in sheet pixels.
struct Layout {
    std::uint32_t scale = 2;
    std::uint32_t labelHeight = 0;
    std::uint32_t cellWidth = 0;
    std::uint32_t cellHeight = 0;
    std::uint32_t boxWidth = 0; // room for the largest sign
    std::uint32_t boxHeight = 0;
    std::uint32_t columns = 1;
    std::uint64_t bands = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Small lists get larger signs; a long list is an overview.
Layout layoutFor(const SheetContents &contents, const text::Font &labelFont) {
    Layout layout;
    const std::uint64_t signs = contents.codes->size();
    layout.scale = signs <= 200 ? 2 : 1;
    layout.labelHeight =
        static_cast<std::uint32_t>(std::max(labelFont.ascent() + labelFont.descent(), 1));
    const std::uint64_t boxWidth =
        std::max<std::uint64_t>(std::uint64_t{contents.widest} * layout.scale, 64);
    const std::uint64_t boxHeight =
        std::max<std::uint64_t>(std::uint64_t{contents.tallest} * layout.scale, 16);
    if (boxWidth > largestBox || boxHeight > largestBox) {
        throw std::runtime_error("signs too large for a contact sheet");
    }
    layout.boxWidth = static_cast<std::uint32_t>(boxWidth);
    layout.boxHeight = static_cast<std::uint32_t>(boxHeight);
    // A band is a row of cells, each with the padding above it.
    layout.cellWidth = layout.boxWidth + padding;
    layout.cellHeight = padding + layout.labelHeight + labelGap + layout.boxHeight;
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

// A band's pixels: palette indices, or RGB when the signs have too many colours.
class Band {
public:
    Band(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t> &palette)
        : width_(width), height_(height), palette_(palette), step_(palette.empty() ? 3 : 1),
          pixels_(std::size_t{width} * height * step_) {
        for (std::uint32_t y = 0; y < height; ++y) {
            fill(0, y, width, background);
        }
    }

    void fill(std::uint32_t x, std::uint32_t y, std::uint32_t count, std::uint32_t colour) {
        if (y >= height_ || x >= width_) {
            return;
        }
        count = std::min(count, width_ - x);
        const std::array<std::uint8_t, 3> paint = paintOf(colour);
        std::uint8_t *at = pixels_.data() + (std::size_t{y} * width_ + x) * step_;
        for (std::uint32_t n = 0; n < count; ++n, at += step_) {
            std::memcpy(at, paint.data(), step_);
        }
    }

    std::vector<std::uint8_t> take() { return std::move(pixels_); }

private:
    std::array<std::uint8_t, 3> paintOf(std::uint32_t colour) {
        if (step_ == 3) {
            return {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                    static_cast<std::uint8_t>(colour)};
        }
        if (colour != lastColour_) {
            const auto found = std::ranges::lower_bound(palette_, colour);
            lastColour_ = colour;
            lastIndex_ = static_cast<std::uint8_t>(found - palette_.begin());
        }
        return {lastIndex_, 0, 0};
    }

    std::uint32_t width_;
    std::uint32_t height_;
    const std::vector<std::uint32_t> &palette_;
    std::size_t step_;
    std::vector<std::uint8_t> pixels_;
    std::uint32_t lastColour_ = 0xFFFFFFFF;
    std::uint8_t lastIndex_ = 0;
};

class SheetPainter {
public:
    SheetPainter(const SheetContents &contents, const text::Font &labelFont, const Layout &layout,
                 const std::vector<std::uint32_t> &palette)
        : contents_(contents), labelFont_(labelFont), layout_(layout), palette_(palette) {}

    std::vector<std::uint8_t> band(std::uint64_t index) const {
        Band band(layout_.width, layout_.cellHeight, palette_);
        const std::uint64_t first = index * layout_.columns;
        const std::uint64_t end =
            std::min<std::uint64_t>(first + layout_.columns, contents_.codes->size());
        for (std::uint64_t row = first; row < end; ++row) {
            const std::uint32_t x =
                padding + static_cast<std::uint32_t>(row - first) * layout_.cellWidth;
            const bool made = (*contents_.made)[row];
            label(band, x, (*contents_.codes)[row], made ? labelColour : refusedColour);
            if (made) {
                sign(band, x, (*contents_.codes)[row]);
            } else {
                refusedFrame(band, x);
            }
        }
        return band.take();
    }

private:
    std::uint32_t signTop() const { return padding + layout_.labelHeight + labelGap; }

    void label(Band &band, std::uint32_t x, std::string_view code, std::uint32_t colour) const {
        text::Layout layout;
        layout.lines.push_back({code, {labelFont_}, 1, text::Align::left});
        layout.height = layout_.labelHeight;
        layout.marginX = 0;
        layout.overflow = text::Overflow::clip;
        const auto drawn = text::compose(layout);
        if (!drawn) {
            return; // a code is letters, digits, "-" and "_", which the label font has
        }
        for (std::uint32_t y = 0; y < drawn->height; ++y) {
            for (std::uint32_t column = 0; column < drawn->width; ++column) {
                if (drawn->values[std::size_t{y} * drawn->width + column] != 0) {
                    band.fill(x + column, padding + y, 1, colour);
                }
            }
        }
    }

    void sign(Band &band, std::uint32_t x, std::string_view code) const {
        const std::string path = contents_.directory + "/" + std::string(code) + ".png";
        const auto image = author::readPngFile(path.c_str());
        if (!image) {
            throw std::runtime_error(path + ": reading it back: " + image.error().message());
        }
        const std::uint32_t scale = layout_.scale;
        for (std::uint32_t y = 0; y < image->height; ++y) {
            for (std::uint32_t column = 0; column < image->width;) {
                // Runs of one colour, drawn a stretch at a time.
                const std::uint8_t *pixel =
                    &image->rgb[(std::size_t{y} * image->width + column) * 3];
                std::uint32_t run = 1;
                while (column + run < image->width &&
                       std::memcmp(pixel, pixel + std::size_t{run} * 3, 3) == 0) {
                    ++run;
                }
                const std::uint32_t colour = rgbWord({pixel[0], pixel[1], pixel[2]});
                for (std::uint32_t dy = 0; dy < scale; ++dy) {
                    band.fill(x + column * scale, signTop() + y * scale + dy, run * scale, colour);
                }
                column += run;
            }
        }
    }

    void refusedFrame(Band &band, std::uint32_t x) const {
        const std::uint32_t width = layout_.boxWidth;
        const std::uint32_t height = layout_.boxHeight;
        band.fill(x, signTop(), width, refusedColour);
        band.fill(x, signTop() + height - 1, width, refusedColour);
        for (std::uint32_t y = 1; y + 1 < height; ++y) {
            band.fill(x, signTop() + y, 1, refusedColour);
            band.fill(x + width - 1, signTop() + y, 1, refusedColour);
        }
    }

    const SheetContents &contents_;
    const text::Font &labelFont_;
    const Layout &layout_;
    const std::vector<std::uint32_t> &palette_;
};

// The sheet's own colours and the signs': a palette when they fit one, else none (RGB).
std::vector<std::uint32_t> sheetPalette(const SheetContents &contents) {
    std::set<std::uint32_t> colours = contents.colours;
    colours.insert({background, labelColour, refusedColour});
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
    for (const std::uint32_t colour : palette) {
        header.palette.push_back({static_cast<std::uint8_t>(colour >> 16),
                                  static_cast<std::uint8_t>(colour >> 8),
                                  static_cast<std::uint8_t>(colour)});
    }
    PngWriter writer(header, sink);
    const std::size_t rowBytes = std::size_t{layout.width} * (palette.empty() ? 3 : 1);
    const SheetPainter painter(contents, labelFont, layout, palette);
    OrderedPipeline<std::uint64_t, std::vector<std::uint8_t>> bands(
        threads, std::size_t{threads} * 2, [&](std::uint64_t &band) { return painter.band(band); },
        [&](std::vector<std::uint8_t> &pixels) {
            for (std::uint32_t y = 0; y < layout.cellHeight; ++y) {
                writer.row(pixels.data() + y * rowBytes);
            }
        });
    for (std::uint64_t band = 0; band < layout.bands; ++band) {
        bands.submit(band);
    }
    bands.finish();
    const std::vector<std::uint8_t> blank = Band(layout.width, 1, palette).take();
    for (std::uint32_t y = 0; y < padding; ++y) {
        writer.row(blank.data());
    }
    writer.finish();
}

} // namespace qrvx::cli
