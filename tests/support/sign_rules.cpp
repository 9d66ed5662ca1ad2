#include "support/sign_rules.hpp"

#include <algorithm>
#include <limits>

namespace qrvx::test {
namespace {

// A glyph's ink as drawn on the sign: its pixels, and the columns and rows they span.
struct DrawnGlyph {
    std::vector<std::pair<std::int64_t, std::int64_t>> pixels; // (x, y)
    std::int64_t left = std::numeric_limits<std::int64_t>::max(), right = 0;
    std::int64_t top = std::numeric_limits<std::int64_t>::max(), bottom = 0;
    bool afterSpace = false;
};

std::u32string charactersOf(std::string_view utf8) {
    std::u32string characters;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t character = length == 1 ? byte : byte & (0x3F >> (length - 1));
        for (std::size_t i = 1; i < length && at + i < utf8.size(); ++i) {
            character = character << 6 | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
        }
        characters += character;
        at += length;
    }
    return characters;
}

// The glyphs of a report's line, pen by pen, as its font draws them.
std::vector<DrawnGlyph> drawLine(const text::LineReport &line, const text::Font &font) {
    std::vector<DrawnGlyph> glyphs;
    std::int64_t pen = line.x;
    bool afterSpace = false;
    for (const char32_t character : charactersOf(line.text)) {
        if (character == U' ' || character == U'\u00A0') {
            pen += line.spaceWidth + line.spacing;
            afterSpace = true;
            continue;
        }
        const text::Glyph *glyph = font.glyph(character);
        if (glyph == nullptr) {
            continue;
        }
        DrawnGlyph drawn;
        drawn.afterSpace = afterSpace;
        for (std::uint32_t y = 0; y < glyph->rows; ++y) {
            for (std::uint32_t x = 0; x < glyph->width; ++x) {
                if (glyph->pixels[std::size_t{y} * glyph->width + x] != 0) {
                    const std::int64_t column = pen + glyph->left + x;
                    const std::int64_t row = line.baseline - glyph->top + y;
                    drawn.pixels.emplace_back(column, row);
                    drawn.left = std::min(drawn.left, column);
                    drawn.right = std::max(drawn.right, column + 1);
                    drawn.top = std::min(drawn.top, row);
                    drawn.bottom = std::max(drawn.bottom, row + 1);
                }
            }
        }
        if (!drawn.pixels.empty()) {
            glyphs.push_back(std::move(drawn));
            afterSpace = false;
        }
        pen += glyph->advance + line.spacing;
    }
    return glyphs;
}

class Checker {
public:
    Checker(const text::Sign &sign, const Bitmap &bitmap)
        : sign_(sign), width_(bitmap.width()), height_(bitmap.height()),
          drawn_(bitmap.pixels().size(), 0) {
        for (const std::uint8_t value : bitmap.pixels()) {
            decoded_.push_back(value != 0 ? 1 : 0);
        }
    }

    std::vector<std::string> breaks;

    void check(const FontByName &fontByName) {
        std::vector<std::vector<DrawnGlyph>> lines;
        for (const text::LineReport &line : sign_.report.lines) {
            lines.push_back(drawLine(line, fontByName(line.font)));
            place(line, lines.back());
        }
        std::vector<DrawnGlyph> route;
        if (sign_.report.route) {
            route = drawLine(*sign_.report.route, fontByName(sign_.report.route->font));
            place(*sign_.report.route, route);
            besideText(route, lines);
        }
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            blankRowBetween(i, lines[i], lines[i + 1]);
        }
        if (decoded_ != drawn_) {
            breaks.push_back("the graphic is not its report's lines drawn again");
        }
    }

private:
    bool inReserve(std::int64_t x) const {
        if (!sign_.reserve) {
            return false;
        }
        return sign_.reserve->side == text::Side::start ? x < sign_.reserve->columns
                                                        : x >= width_ - sign_.reserve->columns;
    }

    bool blank(std::int64_t x, std::int64_t y) const {
        return decoded_[static_cast<std::size_t>(y * width_ + x)] == 0;
    }

    // Draws the glyphs into the expected picture; every pixel must land on the sign outside
    // the reserve, and neighbours keep a blank column of the graphic between their ink.
    void place(const text::LineReport &line, const std::vector<DrawnGlyph> &glyphs) {
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            for (const auto &[x, y] : glyphs[i].pixels) {
                if (x < 0 || y < 0 || x >= width_ || y >= height_ || inReserve(x)) {
                    breaks.push_back("\"" + line.text + "\": ink off the sign or in the reserve");
                    return;
                }
                drawn_[static_cast<std::size_t>(y * width_ + x)] = 1;
            }
            if (i > 0 && !blankColumnBetween(glyphs[i - 1], glyphs[i])) {
                breaks.push_back("\"" + line.text + "\": letters " + std::to_string(i) + " and " +
                                 std::to_string(i + 1) + " touch");
            }
        }
    }

    bool blankColumnBetween(const DrawnGlyph &left, const DrawnGlyph &right) const {
        const std::int64_t top = std::min(left.top, right.top);
        const std::int64_t bottom = std::max(left.bottom, right.bottom);
        for (std::int64_t x = left.right; x < right.left; ++x) {
            bool empty = true;
            for (std::int64_t y = top; y < bottom && empty; ++y) {
                empty = blank(x, y);
            }
            if (empty) {
                return true;
            }
        }
        return false;
    }

    static std::pair<std::int64_t, std::int64_t> rowsOf(const std::vector<DrawnGlyph> &glyphs) {
        std::pair rows{std::numeric_limits<std::int64_t>::max(), std::int64_t{0}};
        for (const DrawnGlyph &glyph : glyphs) {
            rows = {std::min(rows.first, glyph.top), std::max(rows.second, glyph.bottom)};
        }
        return rows;
    }

    // A row of the graphic, blank across the text's columns, between two lines' ink.
    void blankRowBetween(std::size_t upper, const std::vector<DrawnGlyph> &one,
                         const std::vector<DrawnGlyph> &other) {
        const text::LineReport &line = sign_.report.lines[upper];
        const std::int64_t roomBegin = line.x - 1, roomEnd = line.x + line.available + 1;
        const std::int64_t from = rowsOf(one).second, to = rowsOf(other).first;
        for (std::int64_t y = from; y < to; ++y) {
            bool empty = true;
            for (std::int64_t x = std::max<std::int64_t>(roomBegin, 0);
                 x < std::min<std::int64_t>(roomEnd, width_) && empty; ++x) {
                empty = blank(x, y);
            }
            if (empty) {
                return;
            }
        }
        breaks.push_back("no blank row between lines " + std::to_string(upper + 1) + " and " +
                         std::to_string(upper + 2));
    }

    // The route number's ink keeps a blank column from every line's.
    void besideText(const std::vector<DrawnGlyph> &route,
                    const std::vector<std::vector<DrawnGlyph>> &lines) {
        if (route.empty()) {
            return;
        }
        DrawnGlyph box = route.front();
        for (const DrawnGlyph &glyph : route) {
            box = {{},
                   std::min(box.left, glyph.left),
                   std::max(box.right, glyph.right),
                   std::min(box.top, glyph.top),
                   std::max(box.bottom, glyph.bottom)};
        }
        for (const auto &line : lines) {
            for (const DrawnGlyph &glyph : line) {
                if (glyph.right + 1 > box.left && box.right + 1 > glyph.left) {
                    breaks.push_back("the route number touches the text");
                    return;
                }
            }
        }
    }

    const text::Sign &sign_;
    std::int64_t width_, height_;
    std::vector<std::uint8_t> decoded_;
    std::vector<std::uint8_t> drawn_;
};

} // namespace

std::vector<std::string> signRuleBreaks(const text::Sign &sign,
                                        std::span<const std::uint8_t> graphic,
                                        const FontByName &fontByName) {
    const auto bitmap = Bitmap::decode(Graphic{graphic});
    if (!bitmap) {
        return {"the graphic does not decode: " + bitmap.error().message()};
    }
    Checker checker(sign, *bitmap);
    checker.check(fontByName);
    return std::move(checker.breaks);
}

} // namespace qrvx::test
