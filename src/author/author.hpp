// What the authoring sources share: refusals with their reason, and the parameter text.
#pragma once

#include "qrvx_author.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace qrvx::author {

// The error of a refusal; its reason, when the caller asked for one, is text.
std::error_code refuse(std::string *reason, Errc error, std::string text);

// "#RRGGBB".
std::string hexColour(Rgb colour);

// An image's columns and rows, whatever holds its pixels.
struct Size {
    std::uint32_t width;
    std::uint32_t height;
};

// Lines and line length of the packed pixel data under options, before rounding to bytes.
struct LineShape {
    std::uint32_t lines;
    std::uint32_t lineLength;
};
LineShape lineShape(Size size, const Options &options);

// "*", two upper-case hex digits of text's length (at most 255), text, "*".
std::string parameterBlock(std::string_view text);

// The keys encoding writes itself: line size, colour system, palette, route number.
Result<std::string> ownKeys(Size size, const Options &options, const std::vector<Rgb> &palette,
                            std::string *reason);

// The whole parameter text: ownText, then options.keys once every key in them is one the
// library reads and none repeats a key of ownText.
Result<std::string> parameterText(const std::string &ownText, const Options &options,
                                  std::string *reason);

} // namespace qrvx::author
