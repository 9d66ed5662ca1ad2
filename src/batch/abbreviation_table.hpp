// An abbreviation table as sign makers keep it: a CSV file whose first row names the columns
// "long" and "short", then one abbreviation a row ("Hauptbahnhof,Hbf", "-straße,-str.").
#pragma once

#include "qrvx_text.hpp"

#include <string>
#include <variant>

namespace qrvx::batch {

// The table, or why it cannot be read, as "FILE:LINE: reason".
std::variant<text::Abbreviations, std::string> readAbbreviationTable(const std::string &path);

} // namespace qrvx::batch
