// qrvx_sample_generator OUTPUT_DIR: draws the sample sign graphics and writes them as .qrvx files.
#include "drawing.hpp"
#include "packing.hpp"

#include "qrvx.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qrvx::samples {
namespace {

constexpr int signHeight = 16;
constexpr int routeScale = 2;

// Palette colours are 0xBBGGRR.
struct Palette {
    std::uint32_t a, b, c, d;
};

struct Style {
    std::string_view name; // file name prefix
    Format format;
    std::optional<Palette> palette; // colour systems 1 and 2
};

const Style cs0Vertical{"cs0-vertical", {0, Raster::vertical}, std::nullopt};
const Style cs0Horizontal{"cs0-horizontal", {0, Raster::horizontal}, std::nullopt};
// Black, amber destination, white route number on a red badge.
const Style cs1Vertical{
    "cs1-vertical", {1, Raster::vertical}, Palette{0, 0x00B0FF, 0x0000C0, 0xFFFFFF}};
const Style cs1Horizontal{"cs1-horizontal", {1, Raster::horizontal}, cs1Vertical.palette};
// Black, yellow destination, white route number on a blue badge.
const Style cs2Vertical{
    "cs2-vertical", {2, Raster::vertical}, Palette{0, 0x00E0FF, 0xD06000, 0xFFFFFF}};
const Style cs2Horizontal{"cs2-horizontal", {2, Raster::horizontal}, cs2Vertical.palette};

// Pixel values: the destination in 1; under a palette the route badge in 2 and its digits in 3.
constexpr std::uint8_t destinationInk = 1;
constexpr std::uint8_t badgeInk = 2;
constexpr std::uint8_t routeInk = 3;

struct Sign {
    std::string_view route;
    std::vector<std::string_view> destination; // one line drawn large, two lines small
};

// Which side of the sign holds the route number: the start (RL) or the end (RR) of the data.
enum class Side { start, end };
enum class Content { whole, destinationOnly, routeOnly };

// On each side: a dark column that parts the badge from its neighbour, and two of badge.
int routeColumns(const Sign &sign) {
    return textWidth(sign.route, routeScale) + 6;
}

int destinationScale(const Sign &sign) {
    return sign.destination.size() == 1 ? 2 : 1;
}

int destinationColumns(const Sign &sign) {
    int widest = 0;
    for (const std::string_view line : sign.destination) {
        widest = std::max(widest, textWidth(line, destinationScale(sign)));
    }
    return widest + 4;
}

void drawRoute(Canvas &canvas, int x, const Sign &sign, bool colour) {
    const int columns = routeColumns(sign);
    if (colour) {
        canvas.fill(x + 1, 0, columns - 2, signHeight, badgeInk);
        for (const int corner : {x + 1, x + columns - 2}) {
            canvas.set(corner, 0, 0);
            canvas.set(corner, signHeight - 1, 0);
        }
    }
    const int left = x + (columns - textWidth(sign.route, routeScale)) / 2;
    drawText(canvas, left, 1, sign.route, routeScale, colour ? routeInk : destinationInk);
}

void drawDestination(Canvas &canvas, int x, int columns, const Sign &sign) {
    const int scale = destinationScale(sign);
    int y = scale == 2 ? 1 : 0;
    for (const std::string_view line : sign.destination) {
        drawText(canvas, x + (columns - textWidth(line, scale)) / 2, y, line, scale,
                 destinationInk);
        y += glyphHeight + 2;
    }
}

Canvas drawSign(const Style &style, const Sign &sign, Side side, Content content) {
    const bool colour = style.palette.has_value();
    const int route = routeColumns(sign);
    if (content == Content::routeOnly) {
        Canvas canvas(route, signHeight);
        drawRoute(canvas, 0, sign, colour);
        return canvas;
    }
    int destination = destinationColumns(sign);
    if (style.format.raster == Raster::horizontal) {
        // A row is whole bytes wide, so a horizontal sign is too.
        destination += (8 - (route + destination) % 8) % 8;
    }
    Canvas canvas(route + destination, signHeight);
    const int routeX = side == Side::end ? destination : 0;
    drawDestination(canvas, side == Side::end ? 0 : route, destination, sign);
    if (content == Content::whole) {
        drawRoute(canvas, routeX, sign, colour);
    }
    return canvas;
}

std::string parametersOf(const Style &style, const Canvas &canvas, std::string_view extra) {
    std::string text = style.format.raster == Raster::vertical
                           ? "VE" + std::to_string(canvas.height())
                           : "HE" + std::to_string(canvas.width());
    text += ",CS" + std::to_string(style.format.colourSystem);
    if (style.palette) {
        text += ",PA" + std::to_string(style.palette->a) + ",PB" +
                std::to_string(style.palette->b) + ",PC" + std::to_string(style.palette->c) +
                ",PD" + std::to_string(style.palette->d);
    }
    if (!extra.empty()) {
        text += ",";
        text += extra;
    }
    return text;
}

Bytes graphicOf(const Style &style, const Canvas &canvas, std::string_view extra,
                std::optional<std::uint8_t> scrollByte) {
    return makeGraphic(parametersOf(style, canvas, extra), scrollByte,
                       packPixels(canvas, style.format));
}

class Writer {
public:
    explicit Writer(std::filesystem::path directory) : directory_(std::move(directory)) {
        std::filesystem::create_directories(directory_);
    }

    void write(const std::string &name, const Bytes &bytes) {
        const std::filesystem::path path = directory_ / (name + ".qrvx");
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            throw std::runtime_error("cannot write " + path.string());
        }
        ++count_;
    }

    int count() const { return count_; }

private:
    std::filesystem::path directory_;
    int count_ = 0;
};

std::string prefixOf(const Style &style) {
    return std::string(style.name) + "-";
}

std::string lowerCase(std::string_view text) {
    std::string lower;
    for (const char c : text) {
        lower += c == ' ' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower;
}

// A whole sign with its route number at the start and no reserved area.
void writeSign(Writer &writer, const Style &style, const Sign &sign,
               std::optional<std::uint8_t> scrollByte) {
    const Canvas canvas = drawSign(style, sign, Side::start, Content::whole);
    writer.write(prefixOf(style) + "sign-" + std::string(sign.route) + "-" +
                     lowerCase(sign.destination.front()),
                 graphicOf(style, canvas, "", scrollByte));
}

struct FreeDeleter {
    void operator()(std::uint8_t *data) const { std::free(data); }
};

Bytes programAndMark(Bytes &target, Bytes &source) {
    QRVX_Graphic targetGraphic{target.data(), static_cast<std::uint32_t>(target.size()), 0, 0};
    QRVX_Graphic sourceGraphic{source.data(), static_cast<std::uint32_t>(source.size()), 0, 0};
    std::uint8_t *data = nullptr;
    std::uint32_t length = 0;
    const int programmed = QRVX_programRouteNumber(&targetGraphic, &sourceGraphic, &data, &length);
    const std::unique_ptr<std::uint8_t, FreeDeleter> owned(data);
    if (programmed != 0) {
        throw std::runtime_error("programming failed with " + std::to_string(programmed));
    }
    QRVX_Graphic result{data, length, 0, 0};
    const int marked = QRVX_markRouteNumberProgrammed(&result);
    if (marked != 0) {
        throw std::runtime_error("marking failed with " + std::to_string(marked));
    }
    return Bytes(data, data + result.length);
}

// A destination with a blank reserved area, the route number alone, and the library's splice of
// the one into the other. The source carries the reservation key as well, so that the result
// (which takes the source's parameters) has one to mark.
void writeProgrammed(Writer &writer, const Style &style, const Sign &sign, Side side,
                     std::optional<std::uint8_t> scrollByte) {
    const int columns = routeColumns(sign);
    const std::string reservation = (side == Side::end ? "RR" : "RL") + std::to_string(columns);
    const int routeBytes = columns * bytesPerLine(style.format, signHeight);
    const std::string routeNumber = "@RP1/" + std::to_string(routeBytes) + "/" +
                                    (side == Side::end ? "1" : "0") + "," + reservation;

    const Canvas target = drawSign(style, sign, side, Content::destinationOnly);
    const Canvas source = drawSign(style, sign, side, Content::routeOnly);
    Bytes targetBytes = graphicOf(style, target, reservation, scrollByte);
    Bytes sourceBytes = graphicOf(style, source, routeNumber, std::nullopt);
    const Bytes result = programAndMark(targetBytes, sourceBytes);

    // The splice must give exactly the sign drawn in one piece.
    const Bytes expected = packPixels(drawSign(style, sign, side, Content::whole), style.format);
    const std::uint32_t header =
        QRVX_getHeaderLength(result.data(), static_cast<std::uint32_t>(result.size()));
    if (Bytes(result.begin() + header, result.end()) != expected) {
        throw std::runtime_error("programmed " + std::string(sign.route) +
                                 " differs from the sign drawn whole");
    }

    const std::string prefix = prefixOf(style);
    writer.write(prefix + "destination-" + lowerCase(reservation.substr(0, 2)), targetBytes);
    writer.write(prefix + "route-" + std::string(sign.route), sourceBytes);
    writer.write(prefix + "programmed-" + std::string(sign.route), result);
}

constexpr std::uint8_t scrollOne = 0x01;
constexpr std::uint8_t scrollZero = 0x00;

int generate(const std::filesystem::path &directory) {
    Writer writer(directory);
    writeSign(writer, cs0Vertical, {"9", {"STATION"}}, std::nullopt);
    writeProgrammed(writer, cs0Vertical, {"42", {"CENTRAL"}}, Side::end, std::nullopt);
    writeProgrammed(writer, cs0Vertical, {"7", {"HARBOUR"}}, Side::start, scrollOne);
    writeSign(writer, cs0Horizontal, {"115", {"AIRPORT"}}, scrollZero);

    writeProgrammed(writer, cs1Vertical, {"5", {"AIRPORT"}}, Side::start, scrollZero);
    writeSign(writer, cs1Horizontal, {"42", {"HARBOUR"}}, scrollOne);

    writeProgrammed(writer, cs2Vertical, {"115", {"CENTRAL"}}, Side::end, std::nullopt);
    writeSign(writer, cs2Vertical, {"7", {"HARBOUR", "VIA CENTRAL"}}, scrollOne);
    writeSign(writer, cs2Horizontal, {"33", {"UNIVERSITY", "WEST GATE"}}, std::nullopt);
    return writer.count();
}

} // namespace
} // namespace qrvx::samples

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: qrvx_sample_generator OUTPUT_DIR\n";
        return 2;
    }
    try {
        const int count = qrvx::samples::generate(argv[1]);
        std::cout << "wrote " << count << " samples to " << argv[1] << "\n";
        return 0;
    } catch (const std::exception &error) {
        std::cerr << "qrvx_sample_generator: " << error.what() << "\n";
        return 1;
    }
}
