// The legibility rules measured on a made sign: its graphic decoded by libqrvx must be exactly its
// report's lines drawn again glyph by glyph from their fonts (so the report cannot lie), and on
// it every letter has a blank column before its neighbour's ink, a wholly blank row of the text
// area lies between the ink of two lines, and all ink is on the sign, outside the reserve.
#pragma once

#include "qrvx_text.hpp"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qrvx::test {

// A font by the name a report gives it.
using FontByName = std::function<const text::Font &(const std::string &name)>;

// What breaks a rule, one line each; empty when the sign keeps them all.
std::vector<std::string> signRuleBreaks(const text::Sign &sign,
                                        std::span<const std::uint8_t> graphic,
                                        const FontByName &fontByName);

} // namespace qrvx::test
