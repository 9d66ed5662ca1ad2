#include "sign_request.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace qrvx::cli {

void addSignOptions(CLI::App &command, SignRequest &request,
                    std::initializer_list<std::string_view> except) {
    for (const batch::SignOption &option : batch::signOptions()) {
        if (std::ranges::find(except, option.name) != except.end()) {
            continue;
        }
        const std::string name(option.name);
        const CLI::Validator check(
            [name](std::string &value) { return batch::checkSignOption(name, value); }, "");
        CLI::Option *added = option.repeatable
                                 ? command.add_option_function<std::vector<std::string>>(
                                       "--" + name,
                                       [&request, name](const std::vector<std::string> &values) {
                                           request.options[name] = values;
                                       },
                                       std::string(option.help))
                                 : command.add_option_function<std::string>(
                                       "--" + name,
                                       [&request, name](const std::string &value) {
                                           request.options[name] = {value};
                                       },
                                       std::string(option.help));
        // Each occurrence takes one value, so that the lines can follow a repeated option.
        added->type_name(std::string(option.valueName))->check(check)->allow_extra_args(false);
    }
}

} // namespace qrvx::cli
