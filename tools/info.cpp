#include "info.hpp"

#include "commands.hpp"
#include "file_io.hpp"
#include "report.hpp"

#include <cstdio>
#include <iostream>
#include <memory>

namespace qrvx::cli {

const NumericKey numericKeys[19] = {
    {"FG", &Parameters::FG}, {"BG", &Parameters::BG}, {"ST", &Parameters::ST},
    {"SC", &Parameters::SC}, {"FC", &Parameters::FC}, {"BC", &Parameters::BC},
    {"IT", &Parameters::IT}, {"IC", &Parameters::IC}, {"OT", &Parameters::OT},
    {"OC", &Parameters::OC}, {"PA", &Parameters::PA}, {"PB", &Parameters::PB},
    {"PC", &Parameters::PC}, {"PD", &Parameters::PD}, {"OS", &Parameters::OS},
    {"IN", &Parameters::IN}, {"RL", &Parameters::RL}, {"RR", &Parameters::RR},
    {"RF", &Parameters::RF}};

GraphicInfo inspect(const std::string &file) {
    GraphicInfo info;
    info.file = inputName(file);
    info.bytes = readGraphic(file);
    const ByteSpan bytes(info.bytes);
    const Graphic graphic{bytes};
    info.sections = sections(bytes).value(); // readGraphic keeps it within 32 bits
    if (auto parsed = parameters(bytes)) {
        info.parameters = *parsed;
    } else {
        info.parametersError = parsed.error();
    }
    if (auto bitmap = Bitmap::decode(graphic)) {
        info.dimensions = Dimensions{bitmap->width(), bitmap->height()};
    } else {
        info.decodeError = bitmap.error();
    }
    info.programmable = routeNumberProgrammable(graphic);
    if (auto route = describeRouteNumber(graphic)) {
        info.route = *route;
    } else {
        info.routeError = route.error();
    }
    return info;
}

std::string GraphicInfo::parameterText() const {
    const ByteSpan block = sections.parameterBlock;
    if (block.size() < 4) {
        return {};
    }
    return {block.begin() + 3, block.end() - 1};
}

std::optional<Failure> GraphicInfo::failure() const {
    if (parametersError) {
        return Failure(file, "parsing parameters", parametersError);
    }
    if (decodeError) {
        return Failure(file, "decoding", decodeError);
    }
    return std::nullopt;
}

std::string rasterName(const Parameters &parameters) {
    return parameters.rasterDirection == 0 ? "vertical" : "horizontal";
}

std::string colourHex(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu,
                  (colour >> 16) & 0xFFu);
    return text;
}

std::string routeAreaSummary(const GraphicInfo &info) {
    if (!info.route) {
        return "unavailable (" + info.routeError.message() + ")";
    }
    const RouteNumberGraphic &route = *info.route;
    const std::string side = route.routeAtEnd != 0 ? "end" : "start";
    std::string summary;
    if (route.planes[0].byteCount != 0) {
        summary = std::to_string(route.planes[0].width) + " x " +
                  std::to_string(route.planes[0].height) + " at " + side;
        if (route.routeCode != 0) {
            summary += ", code " + std::to_string(route.routeCode);
        }
    }
    if (route.programmable != 0) {
        summary += summary.empty() ? "" : "; ";
        summary += std::to_string(route.reservedLines) +
                   (route.reservedLines == 1 ? " line" : " lines") + " reserved at " + side;
    }
    return summary.empty() ? "none" : summary;
}

namespace {

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
    bool brief = false;
};

int runInfo(const InfoOptions &options) {
    if (standardInputCount(options.files) > 1) {
        return usage(onceFromStandardInput);
    }
    int status = 0;
    auto all = nlohmann::ordered_json::array();
    Table brief;
    brief.add(briefHeader());
    brief.alignRight(1);
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string &file = options.files[i];
        try {
            const GraphicInfo info = inspect(file);
            if (const auto failure = info.failure()) {
                report(*failure);
                status = 1;
            }
            if (options.json) {
                all.push_back(toJson(info));
            } else if (options.brief) {
                brief.add(briefRow(info));
            } else {
                std::cout << (i > 0 ? "\n" : "");
                printTable(std::cout, info);
            }
        } catch (const Failure &failure) {
            report(failure);
            status = 1;
            all.push_back({{"file", inputName(file)}, {"error", failure.detail()}});
        }
    }
    if (options.json) {
        // Parameter texts and file names need not be UTF-8.
        std::cout << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << '\n';
    } else if (options.brief) {
        brief.print(std::cout);
    }
    return status;
}

} // namespace

Command addInfoCommand(CLI::App &app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App *command = app.add_subcommand(
        "info", "Describe graphics: sections, parameters, dimensions, scroll mode and the "
                "route-number area");
    command->add_option("FILE", options->files, "Graphic files, - for standard input")->required();
    CLI::Option *json =
        command->add_flag("--json", options->json, "One JSON array of objects, for scripts");
    command->add_flag("--brief", options->brief, "One aligned row per file")->excludes(json);
    return {command, [options] { return runInfo(*options); }};
}

} // namespace qrvx::cli
