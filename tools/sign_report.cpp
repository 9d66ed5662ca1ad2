#include "sign_report.hpp"

namespace qrvx::cli {
namespace {

using Json = nlohmann::ordered_json;

Json lineJson(const text::LineReport &line) {
    Json steps = Json::array();
    for (const text::FitStep step : line.steps) {
        steps.push_back(text::fitStepName(step));
    }
    const auto optional = [](const std::optional<std::uint32_t> &value) {
        return value ? Json(*value) : Json(nullptr);
    };
    return {{"text", line.text},
            {"font", line.font},
            {"spacing", line.spacing},
            {"spaceWidth", line.spaceWidth},
            {"steps", steps},
            {"width", line.width},
            {"available", line.available},
            {"x", line.x},
            {"baseline", line.baseline},
            {"letterGap", optional(line.letterGap)},
            {"blankRowsBelow", optional(line.blankRowsBelow)}};
}

} // namespace

Json signReportJson(const text::Sign &sign) {
    Json lines = Json::array();
    for (const text::LineReport &line : sign.report.lines) {
        lines.push_back(lineJson(line));
    }
    Json reserve = nullptr;
    if (sign.reserve) {
        reserve = {{"side", sign.reserve->side == text::Side::start ? "start" : "end"},
                   {"columns", sign.reserve->columns}};
    }
    Json abbreviations = Json::array();
    for (const text::Abbreviation &abbreviation : sign.report.abbreviations) {
        abbreviations.push_back({abbreviation.full, abbreviation.abbreviated});
    }
    return {{"width", sign.width},
            {"height", sign.height},
            {"reserve", reserve},
            {"lines", lines},
            {"route", sign.report.route ? lineJson(*sign.report.route) : Json(nullptr)},
            {"abbreviations", abbreviations},
            {"candidatesMeasured", sign.report.candidatesMeasured},
            {"warnings", sign.report.warnings}};
}

} // namespace qrvx::cli
