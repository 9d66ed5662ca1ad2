// Options that take one of a few words: the table the library's sign options use too.
#pragma once

#include "option_values.hpp"

namespace qrvx::cli {

using batch::choiceList;
using batch::Named;
using batch::namesOf;
using batch::valueNamed;

} // namespace qrvx::cli
