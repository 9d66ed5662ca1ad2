#include "terminal_picture.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <optional>

namespace qrvx::cli {
namespace {

constexpr std::array<const char *, 4> shades = {" ", "░", "▒", "▓"};

// Bits 0-7 of a colour given on the command line; bits 24-31 of a palette word.
Rgb fromLowBytes(const Colour &c) {
    return {static_cast<std::uint8_t>(c.red & 0xFFu), static_cast<std::uint8_t>(c.green & 0xFFu),
            static_cast<std::uint8_t>(c.blue & 0xFFu)};
}
Rgb fromHighBytes(const Colour &c) {
    return {static_cast<std::uint8_t>(c.red >> 24), static_cast<std::uint8_t>(c.green >> 24),
            static_cast<std::uint8_t>(c.blue >> 24)};
}

// Writes the escape sequences of a cell's colours, each only when it differs from the last.
class ColourPen {
public:
    explicit ColourPen(std::ostream &out) : out_(out) {}

    void cell(Rgb upper, Rgb lower) {
        set(upper, foreground_, 38);
        set(lower, background_, 48);
        out_ << "▀";
    }
    void endLine() {
        out_ << "\x1b[0m\n";
        foreground_.reset();
        background_.reset();
    }

private:
    void set(Rgb colour, std::optional<Rgb> &current, int layer) {
        if (current != colour) {
            out_ << "\x1b[" << layer << ";2;" << unsigned{colour.red} << ';'
                 << unsigned{colour.green} << ';' << unsigned{colour.blue} << 'm';
            current = colour;
        }
    }

    std::ostream &out_;
    std::optional<Rgb> foreground_;
    std::optional<Rgb> background_;
};

const char *halfBlock(bool upper, bool lower) {
    static constexpr std::array<const char *, 4> blocks = {" ", "▄", "▀", "█"};
    return blocks[(upper ? 2 : 0) + (lower ? 1 : 0)];
}

} // namespace

std::string hexOf(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned{colour.red}, unsigned{colour.green},
                  unsigned{colour.blue});
    return text;
}

TerminalPicture TerminalPicture::of(const Bitmap &bitmap, const Colour &foreground,
                                    const Colour &background) {
    TerminalPicture picture;
    picture.width = bitmap.width();
    picture.height = bitmap.height();
    picture.pixels = bitmap.pixels();
    picture.paletted = !bitmap.palette().empty();
    if (picture.paletted) {
        std::ranges::transform(bitmap.palette(), std::back_inserter(picture.colours),
                               fromHighBytes);
    } else {
        picture.colours = {fromLowBytes(background), fromLowBytes(foreground)};
    }
    return picture;
}

std::uint8_t TerminalPicture::value(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t v = pixels[std::size_t{y} * width + x];
    // A value beyond the colours would be the library's fault; it shows as the last colour.
    return static_cast<std::uint8_t>(std::min<std::size_t>(v, colours.size() - 1));
}

Rgb TerminalPicture::colour(std::uint32_t x, std::uint32_t y) const {
    return colours[value(x, y)];
}

std::size_t TerminalPicture::coloursUsed() const {
    std::vector<bool> seen(colours.size());
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            seen[value(x, y)] = true;
        }
    }
    std::vector<Rgb> distinct;
    for (std::size_t v = 0; v < colours.size(); ++v) {
        if (seen[v] && std::ranges::find(distinct, colours[v]) == distinct.end()) {
            distinct.push_back(colours[v]);
        }
    }
    return distinct.size();
}

void drawInColour(std::ostream &out, const TerminalPicture &picture, ColumnBand band) {
    ColourPen pen(out);
    for (std::uint32_t y = 0; y < picture.height; y += 2) {
        const bool lowerRow = y + 1 < picture.height;
        for (std::uint32_t x = band.first; x < band.first + band.count; ++x) {
            pen.cell(picture.colour(x, y),
                     lowerRow ? picture.colour(x, y + 1) : picture.colours.front());
        }
        pen.endLine();
    }
}

void drawPlain(std::ostream &out, const TerminalPicture &picture, ColumnBand band) {
    const std::uint32_t rowsALine = picture.paletted ? 1 : 2;
    for (std::uint32_t y = 0; y < picture.height; y += rowsALine) {
        const bool lowerRow = y + 1 < picture.height;
        for (std::uint32_t x = band.first; x < band.first + band.count; ++x) {
            out << (picture.paletted ? shades[picture.value(x, y) % shades.size()]
                                     : halfBlock(picture.value(x, y) != 0,
                                                 lowerRow && picture.value(x, y + 1) != 0));
        }
        out << '\n';
    }
}

std::string shadeLegend(const TerminalPicture &picture) {
    std::string legend;
    for (std::size_t v = 0; v < picture.colours.size() && v < shades.size(); ++v) {
        legend += (v == 0 ? "\"" : "  \"") + std::string(shades[v]) + "\" " + std::to_string(v) +
                  ' ' + hexOf(picture.colours[v]);
    }
    return legend;
}

} // namespace qrvx::cli
