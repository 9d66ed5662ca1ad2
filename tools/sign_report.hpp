// What composing a text sign did, as JSON: `qrvx text --json` prints it, and a batch can too.
#pragma once

#include "qrvx_text.hpp"

#include <nlohmann/json.hpp>

namespace qrvx::cli {

// The sign's size and reserve, each line's text, font, spacing, space width, fit steps by
// name, width used and available, place, smallest letter gap and blank rows below, the route
// number's the same, the abbreviations applied, the candidates measured, and the warnings.
nlohmann::ordered_json signReportJson(const text::Sign &sign);

} // namespace qrvx::cli
