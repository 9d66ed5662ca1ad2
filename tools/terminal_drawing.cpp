#include "terminal_drawing.hpp"

#include "failure.hpp"
#include "terminal_picture.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace qrvx::cli {
namespace {

constexpr std::uint32_t fallbackWidth = 80;

std::optional<std::uint32_t> columnsVariable() {
    const char *text = std::getenv("COLUMNS");
    if (text == nullptr) {
        return std::nullopt;
    }
    std::uint32_t columns = 0;
    const char *end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, columns);
    if (error != std::errc() || last != end || columns == 0) {
        return std::nullopt;
    }
    return columns;
}

// "sign.qrvx  120 x 16, colour system 2, 3 colours".
std::string headline(const std::string &name, ByteSpan bytes, const TerminalPicture &picture) {
    std::string line =
        name + "  " + std::to_string(picture.width) + " x " + std::to_string(picture.height);
    if (const auto parsed = parameters(bytes)) {
        line += ", colour system " + std::to_string(parsed->colourSystem);
    }
    if (picture.paletted) {
        const std::size_t used = picture.coloursUsed();
        line += ", " + std::to_string(used) + (used == 1 ? " colour" : " colours");
    }
    return line;
}

} // namespace

bool drawsInColour(std::optional<bool> forced) {
    if (forced) {
        return *forced;
    }
    const char *noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') {
        return false;
    }
    return isatty(STDOUT_FILENO) != 0;
}

std::uint32_t terminalWidth(std::optional<std::uint32_t> given) {
    if (given) {
        return *given;
    }
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return columnsVariable().value_or(fallbackWidth);
}

DrawingStyle terminalStyle() {
    DrawingStyle style;
    style.colour = drawsInColour();
    style.width = terminalWidth();
    return style;
}

Bitmap decodeGraphic(const std::string &name, ByteSpan bytes) {
    auto bitmap = Bitmap::decode(Graphic{bytes});
    if (!bitmap) {
        throw Failure(name, "decoding", bitmap.error());
    }
    return std::move(*bitmap);
}

void drawGraphic(std::ostream &out, const std::string &name, ByteSpan bytes, const Bitmap &bitmap,
                 const DrawingStyle &style) {
    const TerminalPicture picture = TerminalPicture::of(bitmap, style.foreground, style.background);
    out << headline(name, bytes, picture) << '\n';
    if (!style.colour && picture.paletted) {
        out << shadeLegend(picture) << '\n';
    }
    const bool folded = picture.width > style.width;
    // 64 bits: the band after the last might begin beyond 32.
    for (std::uint64_t first = 0; first < picture.width; first += style.width) {
        const auto start = static_cast<std::uint32_t>(first);
        const ColumnBand band{start, std::min(style.width, picture.width - start)};
        if (folded) {
            out << "columns " << band.first << '-' << band.first + band.count - 1 << '\n';
        }
        if (style.colour) {
            drawInColour(out, picture, band);
        } else {
            drawPlain(out, picture, band);
        }
    }
}

} // namespace qrvx::cli
