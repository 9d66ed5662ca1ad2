// What a layout must be before anything is set: 1 to 3 lines with fonts and colours, a sign of
// sane size whose margins leave room, amounts within a sign's width, and a route number and
// reserve on opposite sides.
#include "text.hpp"

namespace qrvx::text {
namespace {

constexpr std::uint32_t maxSide = 65535;
constexpr std::uint32_t maxAmount = 65535; // margins, gaps, spacing, space width, reserve

std::error_code invalid(std::string *reason, std::string text) {
    return refuse(reason, Errc::invalidLayout, std::move(text));
}

std::error_code checkDrawing(const std::vector<Font> &fonts, std::uint8_t colour,
                             const std::string &what, std::string *reason) {
    if (fonts.empty()) {
        return invalid(reason, what + " has no font");
    }
    if (colour < 1 || colour > 3) {
        return invalid(reason, what + ": colour " + std::to_string(colour) + " is outside 1-3");
    }
    return {};
}

std::error_code checkAmounts(const Layout &layout, std::string *reason) {
    const std::pair<const char *, std::uint64_t> amounts[] = {
        {"marginX", layout.marginX},
        {"marginY", layout.marginY},
        {"lineGap", layout.lineGap},
        {"spacing", layout.spacing.value_or(0)},
        {"spaceWidth", layout.spaceWidth.value_or(0)},
        {"the route number's gap", layout.route ? layout.route->gap : 0},
        {"the reserve", layout.reserve ? layout.reserve->columns : 0}};
    for (const auto &[name, amount] : amounts) {
        if (amount > maxAmount) {
            return invalid(reason, std::string(name) + " of " + std::to_string(amount) +
                                       " is more than " + std::to_string(maxAmount));
        }
    }
    return {};
}

} // namespace

std::error_code checkLayout(const Layout &layout, std::string *reason) {
    if (layout.lines.empty() || layout.lines.size() > 3) {
        return invalid(reason,
                       "a sign has 1 to 3 lines, not " + std::to_string(layout.lines.size()));
    }
    if (layout.shortLines.size() > 3) {
        return invalid(reason, "a short wording has 1 to 3 lines, not " +
                                   std::to_string(layout.shortLines.size()));
    }
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const LineOptions &line = layout.lines[i];
        if (auto error =
                checkDrawing(line.fonts, line.colour, "line " + std::to_string(i + 1), reason)) {
            return error;
        }
    }
    if (layout.route) {
        if (auto error = checkDrawing(layout.route->fonts, layout.route->colour, "the route number",
                                      reason)) {
            return error;
        }
        if (layout.route->text.empty()) {
            return invalid(reason, "the route number has no text");
        }
        if (layout.reserve && layout.reserve->columns > 0 &&
            layout.reserve->side == layout.route->side) {
            return invalid(reason, "the route number and the reserve are on the same side");
        }
    }
    if (layout.height == 0 || layout.height > maxSide || layout.width.value_or(1) == 0 ||
        layout.width.value_or(1) > maxSide) {
        return invalid(reason, "a sign is 1 to 65535 pixels a side");
    }
    if (std::uint64_t{layout.marginY} * 2 >= layout.height) {
        return invalid(reason, "margins of " + std::to_string(layout.marginY) +
                                   " rows leave nothing of " + std::to_string(layout.height));
    }
    return checkAmounts(layout, reason);
}

} // namespace qrvx::text
