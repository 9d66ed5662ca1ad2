// The options of a sign on a command line: the batch library's table of sign options, each
// registered as "--NAME" and checked as a list's cell is.
#pragma once

#include "qrvx_batch.hpp"

#include <initializer_list>
#include <string_view>

namespace CLI {
class App;
}

namespace qrvx::cli {

using batch::SignRequest;

// Registers every option but those `except` names on a command; each value given lands in
// request.options. Values are checked as the library checks them, so a bad one is a usage error.
void addSignOptions(CLI::App &command, SignRequest &request,
                    std::initializer_list<std::string_view> except = {});

} // namespace qrvx::cli
