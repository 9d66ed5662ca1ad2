// A request's options into a text layout and an encoding, its fonts taken from the shelf.
#include "shelf.hpp"
#include "sign_options.hpp"

#include <new>

namespace qrvx::batch {
namespace {

// The fonts of names from the shelf, each at every size loaded; false, and why, when one is
// not on it.
bool shelved(const FontNames &fontNames, std::span<const std::string_view> names,
             const Shelf::Contents &shelf, std::vector<text::Font> &fonts, std::string &reason) {
    for (const std::string_view fontName : names) {
        const auto sizes = shelf.fonts.find(fontKey(fontName, fontNames.rows));
        if (sizes == shelf.fonts.end()) {
            reason = std::string(fontName) + ": not loaded";
            return false;
        }
        fonts.insert(fonts.end(), sizes->second.begin(), sizes->second.end());
    }
    return true;
}

Result<MadeSign> made(const SignRequest &request, const Shelf::Contents &shelf,
                      std::string &reason) {
    SignSettings settings;
    if (auto why = readSettings(request, settings)) {
        reason = std::move(*why);
        return make_error_code(Errc::invalidRequest);
    }
    const FontNames fontNames = fontNamesOf(request);
    std::vector<text::Font> lineFonts;
    if (!shelved(fontNames, fontNames.lines, shelf, lineFonts, reason) ||
        !shelved(fontNames, fontNames.route, shelf, settings.route.fonts, reason)) {
        return make_error_code(text::Errc::fontNotFound);
    }
    text::Layout &layout = settings.layout;
    for (std::size_t line = 0; line < request.lines.size(); ++line) {
        layout.lines.push_back(text::LineOptions{request.lines[line], lineFonts,
                                                 colourOfLine(settings, line), settings.align});
    }
    layout.shortLines.assign(request.shortLines.begin(), request.shortLines.end());
    if (const auto *path = valuesOf(request, "abbreviations")) {
        const auto table = shelf.abbreviations.find(path->front());
        if (table == shelf.abbreviations.end()) {
            reason = path->front() + ": not loaded";
            return make_error_code(Errc::invalidRequest);
        }
        layout.abbreviations = table->second;
    }
    if (!fontNames.route.empty()) {
        layout.route = settings.route;
    }
    auto sign = text::compose(layout, &reason);
    if (!sign) {
        return sign.error();
    }
    if (settings.routeNumberSide) {
        settings.encoding.routeNumber =
            author::RouteNumber{*settings.routeNumberSide, settings.routeCode};
    }
    auto graphic = text::encode(*sign, settings.encoding, &reason);
    if (!graphic) {
        return graphic.error();
    }
    return MadeSign{std::move(*sign), std::move(*graphic), text::palette(settings.encoding)};
}

} // namespace

Result<MadeSign> makeSign(const SignRequest &request, const Shelf &shelf,
                          std::string *reason) noexcept {
    try {
        std::string why;
        auto sign = made(request, ShelfAccess::of(shelf), why);
        if (!sign && reason != nullptr) {
            *reason = std::move(why);
        }
        return sign;
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::batch
