// A picture of fonts as a sign shows them: each font's name, then every character it has, in
// amber dots on black, four image pixels a sign pixel.
#pragma once

#include "qrvx_text.hpp"

#include <span>
#include <string>

namespace qrvx::cli {

// The names are drawn in `label`. Throws Failure when the picture cannot be made or written.
void writeSpecimen(const std::string &output, std::span<const text::Font> fonts,
                   const text::Font &label);

} // namespace qrvx::cli
