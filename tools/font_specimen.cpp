#include "font_specimen.hpp"

#include "failure.hpp"
#include "file_io.hpp"

#include <algorithm>
#include <optional>

namespace qrvx::cli {
namespace {

// Pixel values of the picture, and the colours they are drawn in.
constexpr std::uint8_t unlit = 0, nameColour = 1, characterColour = 2, unlitDot = 3;
constexpr std::array<author::Rgb, 4> palette{author::Rgb{0, 0, 0}, author::Rgb{170, 170, 170},
                                             author::Rgb{255, 176, 0}, author::Rgb{34, 30, 26}};

constexpr std::uint32_t lineWidth = 320; // sign pixels
constexpr std::uint32_t border = 3;
constexpr std::uint32_t lineGap = 2;
constexpr std::uint32_t fontGap = 6;
constexpr std::uint32_t dot = 3; // image pixels a sign pixel: a 2 x 2 dot and a dark seam
constexpr char32_t lastCharacter = 0x10FFFF;

// A canvas of sign pixels that grows downwards.
class Canvas {
public:
    std::uint32_t height() const { return height_; }
    // `rows` more rows, unlit dots throughout when `dotted`.
    void grow(std::uint32_t rows, bool dotted) {
        values_.resize(values_.size() + std::size_t{rows} * width, dotted ? unlitDot : unlit);
        height_ += rows;
    }
    void set(std::int64_t x, std::int64_t y, std::uint8_t value) {
        if (x >= 0 && y >= 0 && x < width && y < height_) {
            values_[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] = value;
        }
    }
    // Every sign pixel as a dot of dot x dot image pixels.
    text::Sign scaled() const;

    static constexpr std::uint32_t width = lineWidth + 2 * border;

private:
    std::uint32_t height_ = 0;
    std::vector<std::uint8_t> values_;
};

text::Sign Canvas::scaled() const {
    text::Sign sign;
    sign.width = width * dot;
    sign.height = height_ * dot;
    sign.values.assign(std::size_t{sign.width} * sign.height, unlit);
    for (std::size_t y = 0; y < sign.height; ++y) {
        for (std::size_t x = 0; x < sign.width; ++x) {
            if (x % dot != dot - 1 && y % dot != dot - 1) {
                sign.values[y * sign.width + x] = values_[y / dot * width + x / dot];
            }
        }
    }
    return sign;
}

// Draws glyph with its pen at x on the baseline; the next pen position.
std::int64_t drawGlyph(Canvas &canvas, const text::Glyph &glyph, std::int64_t x,
                       std::int64_t baseline, std::uint8_t value) {
    for (std::uint32_t row = 0; row < glyph.rows; ++row) {
        for (std::uint32_t column = 0; column < glyph.width; ++column) {
            if (glyph.pixels[std::size_t{row} * glyph.width + column] != 0) {
                canvas.set(x + glyph.left + column, baseline - glyph.top + row, value);
            }
        }
    }
    return x + glyph.advance;
}

std::uint32_t lineHeight(const text::Font &font) {
    return static_cast<std::uint32_t>(std::max(0, font.ascent() + font.descent()));
}

void drawName(Canvas &canvas, const text::Font &label, const std::string &name) {
    const std::uint32_t top = canvas.height();
    canvas.grow(lineHeight(label) + lineGap, false);
    std::int64_t x = border;
    for (const char character : name) { // built-in names are ASCII
        if (const text::Glyph *glyph = label.glyph(static_cast<unsigned char>(character))) {
            x = drawGlyph(canvas, *glyph, x, top + label.ascent(), nameColour) +
                label.naturalSpacing();
        }
    }
}

// Every character the font has but spaces, as many a line as fit: ASCII, the rest of Latin-1, and
// everything after, each from a line of its own.
void drawCharacters(Canvas &canvas, const text::Font &font) {
    const std::int64_t spacing = font.naturalSpacing() + 1;
    std::size_t found = 0;
    std::int64_t x = border;
    std::optional<char32_t> lineGroup;
    for (char32_t character = 0; character <= lastCharacter && found < font.glyphCount();
         ++character) {
        const text::Glyph *glyph = font.glyph(character);
        if (!glyph) {
            continue;
        }
        ++found;
        if (std::find(glyph->pixels.begin(), glyph->pixels.end(), 1) == glyph->pixels.end()) {
            continue; // spaces
        }
        const char32_t group = std::min<char32_t>(character / 128, 2);
        if (group != lineGroup || x + glyph->advance > border + lineWidth) {
            canvas.grow(lineGap, false);
            canvas.grow(lineHeight(font), true);
            x = border;
            lineGroup = group;
        }
        const std::int64_t baseline = std::int64_t{canvas.height()} - font.descent();
        x = drawGlyph(canvas, *glyph, x, baseline, characterColour) + spacing;
    }
}

// The sample set in the font as a sign of the font's height, cut at the canvas's width.
void drawSample(Canvas &canvas, const text::Font &font, std::string_view sample,
                const std::string &output) {
    text::Layout layout;
    layout.lines = {{sample, {font}, 1, text::Align::left}};
    layout.width = lineWidth;
    layout.height = lineHeight(font);
    layout.marginX = 0;
    layout.overflow = text::Overflow::clip;
    std::string reason;
    const auto sign = text::compose(layout, &reason);
    if (!sign) {
        throw Failure(output, "drawing the sample in " + font.name() + ": " + reason, sign.error());
    }
    canvas.grow(lineGap, false);
    const std::uint32_t top = canvas.height();
    canvas.grow(sign->height, true);
    for (std::uint32_t y = 0; y < sign->height; ++y) {
        for (std::uint32_t x = 0; x < sign->width; ++x) {
            if (sign->values[std::size_t{y} * sign->width + x] != 0) {
                canvas.set(border + x, top + y, characterColour);
            }
        }
    }
}

} // namespace

void writeSpecimen(const std::string &output, std::span<const text::Font> fonts,
                   const text::Font &label, std::optional<std::string_view> sample) {
    Canvas canvas;
    canvas.grow(border, false);
    for (const text::Font &font : fonts) {
        drawName(canvas, label, font.name());
        if (sample) {
            drawSample(canvas, font, *sample, output);
        } else {
            drawCharacters(canvas, font);
        }
        canvas.grow(fontGap, false);
    }
    canvas.grow(border, false);

    author::Options options;
    options.colourSystem = 2;
    options.palette = palette;
    std::string reason;
    const auto graphic = text::encode(canvas.scaled(), options, &reason);
    if (!graphic) {
        throw Failure(output, "drawing the fonts: " + reason, graphic.error());
    }
    OutputFile file(output);
    PngOptions png;
    png.title = "qrvx fonts";
    if (const std::error_code error = writePng({*graphic}, file.temporaryPath().c_str(), png)) {
        throw Failure(file.name(), "writing PNG", error);
    }
    file.commit();
}

} // namespace qrvx::cli
