// Where `qrvx text` and `qrvx encode` put the graphic they made: into a file (the sign's PNG when
// the name ends in .png), onto the terminal with --show, or both.
#pragma once

#include "qrvx_author.hpp"

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace qrvx::cli {

struct MadeOutput {
    std::string output; // empty: nothing written
    bool show = false;
};

// Registers -o and --show.
void addMadeOutputOptions(CLI::App &command, MadeOutput &made);

// Why the options do not go together (neither -o nor --show, --show with -o -); nothing when
// they do.
std::optional<std::string> madeOutputError(const MadeOutput &made);

// The graphic written and then drawn, as made asks. `name`, what it was made from, titles its PNG
// and heads its drawing.
void deliver(const MadeOutput &made, const author::Bytes &graphic, const std::string &name);

} // namespace qrvx::cli
