// `qrvx show`: graphics drawn in the terminal, for a look at them where no image viewer is at
// hand. A file that cannot be read or decoded is reported and the others are still shown.
#include "colour_option.hpp"
#include "commands.hpp"
#include "failure.hpp"
#include "file_io.hpp"
#include "terminal_picture.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

namespace qrvx::cli {
namespace {

constexpr std::uint32_t fallbackWidth = 80;

struct ShowOptions {
    std::vector<std::string> files;
    std::string foreground = "#FFFFFF";
    std::string background = "#000000";
    bool plain = false;
    bool colour = false;
    std::optional<std::uint32_t> width;
};

bool drawsInColour(const ShowOptions &options) {
    if (options.plain || options.colour) {
        return options.colour;
    }
    const char *noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') {
        return false;
    }
    return isatty(STDOUT_FILENO) != 0;
}

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

std::uint32_t terminalWidth(const ShowOptions &options) {
    if (options.width) {
        return *options.width;
    }
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return columnsVariable().value_or(fallbackWidth);
}

// "sign.qrvx  120 x 16, colour system 2, 3 colours".
std::string headline(const std::string &file, ByteSpan bytes, const TerminalPicture &picture) {
    std::string line =
        file + "  " + std::to_string(picture.width) + " x " + std::to_string(picture.height);
    if (const auto parsed = parameters(bytes)) {
        line += ", colour system " + std::to_string(parsed->colourSystem);
    }
    if (picture.paletted) {
        const std::size_t used = picture.coloursUsed();
        line += ", " + std::to_string(used) + (used == 1 ? " colour" : " colours");
    }
    return line;
}

// How every file is drawn.
struct Style {
    bool colour;
    std::uint32_t width;
    Colour foreground, background;
};

Bitmap decodeGraphic(const std::string &file, ByteSpan bytes) {
    auto bitmap = Bitmap::decode(Graphic{bytes});
    if (!bitmap) {
        throw Failure(file, "decoding", bitmap.error());
    }
    return std::move(*bitmap);
}

void draw(const std::string &file, ByteSpan bytes, const Bitmap &bitmap, const Style &style) {
    const TerminalPicture picture = TerminalPicture::of(bitmap, style.foreground, style.background);
    std::cout << headline(file, bytes, picture) << '\n';
    if (!style.colour && picture.paletted) {
        std::cout << shadeLegend(picture) << '\n';
    }
    const bool folded = picture.width > style.width;
    // 64 bits: the band after the last might begin beyond 32.
    for (std::uint64_t first = 0; first < picture.width; first += style.width) {
        const auto start = static_cast<std::uint32_t>(first);
        const ColumnBand band{start, std::min(style.width, picture.width - start)};
        if (folded) {
            std::cout << "columns " << band.first << '-' << band.first + band.count - 1 << '\n';
        }
        if (style.colour) {
            drawInColour(std::cout, picture, band);
        } else {
            drawPlain(std::cout, picture, band);
        }
    }
}

int runShow(const ShowOptions &options) {
    const Style style{drawsInColour(options), terminalWidth(options),
                      *parseColour(options.foreground), *parseColour(options.background)};
    int status = 0;
    bool drawnAny = false;
    for (const std::string &file : options.files) {
        try {
            const std::vector<std::uint8_t> bytes = readGraphic(file);
            const Bitmap bitmap = decodeGraphic(file, bytes);
            std::cout << (drawnAny ? "\n" : "");
            draw(file, bytes, bitmap, style);
            drawnAny = true;
        } catch (const Failure &failure) {
            std::cout.flush(); // the error below the pictures before it
            report(failure);
            status = 1;
        }
    }
    return status;
}

} // namespace

Command addShowCommand(CLI::App &app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App *command = app.add_subcommand("show", "Draw graphics in the terminal");
    command->add_option("FILE", options->files, "Graphic files")->required();
    addMonochromeColours(*command, options->foreground, options->background);
    CLI::Option *plain = command->add_flag(
        "--plain", options->plain,
        "Characters without colour (the default when stdout is no terminal or NO_COLOR is set)");
    command->add_flag("--colour,--color", options->colour, "Colour even into a file or pipe")
        ->excludes(plain);
    command
        ->add_option("--width", options->width,
                     "Columns of the terminal; a wider graphic is folded into bands (default: "
                     "the terminal's width, else COLUMNS, else 80)")
        ->check(CLI::Range(1u, 1000000u));
    return {command, [options] { return runShow(*options); }};
}

} // namespace qrvx::cli
