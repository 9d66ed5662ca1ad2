// A picture of fonts as a sign shows them: each font's name, then every character it has (or a
// sample text), in amber dots on black, three image pixels a sign pixel.
#pragma once

#include "qrvx_text.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qrvx::cli {

// The names are drawn in `label`. Throws Failure when the picture cannot be made or written.
void writeSpecimen(const std::string &output, std::span<const text::Font> fonts,
                   const text::Font &label, std::optional<std::string_view> sample);

} // namespace qrvx::cli
