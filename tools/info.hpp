// What `qrvx info` finds out about one graphic, and its three renderings.
#pragma once

#include "failure.hpp"
#include "qrvx.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace qrvx::cli {

struct Dimensions {
    std::uint32_t width, height;
};

struct GraphicInfo {
    GraphicInfo() = default;
    GraphicInfo(GraphicInfo &&) = default;
    GraphicInfo(const GraphicInfo &) = delete; // the copy's views would point into the original
    GraphicInfo &operator=(const GraphicInfo &) = delete;

    std::string file;
    std::vector<std::uint8_t> bytes; // the views below point into it
    SectionsView sections;
    std::optional<Parameters> parameters;
    std::optional<Dimensions> dimensions;
    std::optional<RouteNumberGraphic> route;
    std::error_code parametersError, decodeError, routeError;
    bool programmable = false;

    std::size_t offsetOf(ByteSpan part) const {
        return static_cast<std::size_t>(part.data() - bytes.data());
    }
    std::string parameterText() const;
    // The step whose failure makes the graphic unusable, or nothing.
    std::optional<Failure> failure() const;
};

GraphicInfo inspect(const std::string &file);

// Short descriptions shared by the table and the brief row.
std::string rasterName(const Parameters &parameters);
std::string routeAreaSummary(const GraphicInfo &info);
std::string colourHex(std::uint32_t colour); // "#RRGGBB" from bits 0-7 red, 8-15 green, 16-23 blue

void printTable(std::ostream &out, const GraphicInfo &info);
std::vector<std::string> briefHeader();
std::vector<std::string> briefRow(const GraphicInfo &info);
nlohmann::ordered_json toJson(const GraphicInfo &info);

// The numeric keys of the parameter text, in the record's order.
struct NumericKey {
    const char *name;
    ParamValue Parameters::*field;
};
extern const NumericKey numericKeys[19];

} // namespace qrvx::cli
