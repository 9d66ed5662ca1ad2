// A face takes over what makes it a face (size, colours, fonts, what it shows) and leaves the
// row the rest (colours of lines, alignment, spacing, abbreviations).
#include "faces.hpp"

#include "destination_code.hpp"
#include "rows.hpp"
#include "sign_options.hpp"

#include <array>
#include <cstdio>

namespace qrvx::batch {
namespace {

std::string paletteText(const std::array<author::Rgb, 4> &palette) {
    std::string text;
    for (const author::Rgb &colour : palette) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
        text += (text.empty() ? "" : ",") + std::string(hex);
    }
    return text;
}

void dropRoute(SignRequest &request) {
    request.options.erase("route");
    for (const std::string_view name : routeStyleOptions) {
        request.options.erase(std::string(name));
    }
}

// The face's size, colours and reserve over the row's.
void applyShape(SignRequest &request, const Face &face) {
    request.options["width"] = {std::to_string(face.width)};
    request.options["height"] = {std::to_string(face.height)};
    request.options["colour-system"] = {std::to_string(face.colourSystem)};
    request.options["raster"] = {face.raster == author::RasterDirection::vertical ? "vertical"
                                                                                  : "horizontal"};
    if (face.palette) {
        request.options["palette"] = {paletteText(*face.palette)};
    } else {
        request.options.erase("palette");
    }
    if (face.reserve) {
        request.options["reserve"] = {
            (face.reserve->side == text::Side::start ? "start:" : "end:") +
            std::to_string(face.reserve->columns)};
    }
}

} // namespace

std::optional<std::string> shownRoute(const Row &row, const Face &face) {
    if (face.shows != Shows::route) {
        return std::nullopt;
    }
    const std::vector<std::string> *route = valuesOf(row.request, "route");
    return route ? std::optional(route->front()) : std::nullopt;
}

std::optional<SignRequest> faceRequest(const Row &row, const Face &face) {
    SignRequest request = row.request;
    if (const auto own = row.faceWordings.find(face.name); own != row.faceWordings.end()) {
        request.lines = own->second.lines;
        request.shortLines = own->second.shortLines;
    }
    applyShape(request, face);
    if (!face.fonts.empty()) {
        request.options["font"] = face.fonts;
    }
    switch (face.shows) {
    case Shows::destination:
        dropRoute(request);
        break;
    case Shows::routeDestination:
    case Shows::destinationRoute:
        if (request.options.contains("route")) {
            request.options["route-side"] = {face.shows == Shows::routeDestination ? "start"
                                                                                   : "end"};
            if (!face.routeFonts.empty()) {
                request.options["route-font"] = face.routeFonts;
            }
        }
        break;
    case Shows::route: {
        const auto route = shownRoute(row, face);
        if (!route) {
            return std::nullopt;
        }
        request.lines = {*route};
        request.shortLines.clear();
        request.options.erase("colour");
        request.options.erase("abbreviations");
        if (const auto *colour = valuesOf(row.request, "route-colour")) {
            request.options["colour"] = *colour;
        }
        dropRoute(request);
        std::vector<std::string> fonts = face.routeFonts;
        if (fonts.empty()) {
            for (const std::string_view name : text::defaultRouteFontNames(face.height)) {
                fonts.emplace_back(name);
            }
        }
        request.options["font"] = std::move(fonts);
        break;
    }
    }
    return request;
}

std::string routeCode(std::string_view route) {
    if (validCode(route) && route.size() <= 32) {
        return std::string(route);
    }
    return destinationCode(std::string(route), "");
}

} // namespace qrvx::batch
