// `qrvx info --json`: field names follow the records of qrvx.h.
#include "info.hpp"

namespace qrvx::cli {
namespace {

using Json = nlohmann::ordered_json;

Json section(const GraphicInfo &info, ByteSpan part) {
    if (part.empty()) {
        return nullptr;
    }
    return {{"offset", info.offsetOf(part)}, {"length", part.size()}};
}

Json sectionsJson(const GraphicInfo &info) {
    const SectionsView &s = info.sections;
    Json block = section(info, s.parameterBlock);
    if (!block.is_null()) {
        block["text"] = info.parameterText();
    }
    return {{"parameterBlock", block},
            {"scrollMarker", section(info, s.scrollMarker)},
            {"pixelData", section(info, s.pixelData)},
            {"headerLength", s.parameterBlock.size() + s.scrollMarker.size()}};
}

Json parametersJson(const Parameters &p) {
    Json keys = Json::object();
    for (const NumericKey &key : numericKeys) {
        const ParamValue &value = p.*key.field;
        if (value.present != 0) {
            keys[key.name] = value.value;
        }
    }
    if (p.routePresent != 0) {
        keys["@RP"] = {p.routeA, p.routeB, p.routeC};
    }
    Json palette = nullptr;
    if (p.colourSystem != 0) {
        palette = {colourHex(p.colourA), colourHex(p.colourB), colourHex(p.colourC),
                   colourHex(p.colourD)};
    }
    return {{"raster", rasterName(p)},
            {"rasterDirection", p.rasterDirection},
            {"colourSystem", p.colourSystem},
            {"rowSize", p.rowSize},
            {"columnSize", p.columnSize},
            {"palette", palette},
            {"keys", keys}};
}

Json pairJson(const QRVX_ParamPair &pair) {
    return {{"given", pair.given != 0}, {"first", pair.first}, {"second", pair.second}};
}

Json routeJson(const GraphicInfo &info) {
    if (!info.route) {
        return {{"error", info.routeError.message()}};
    }
    const RouteNumberGraphic &r = *info.route;
    Json planes = Json::array();
    for (const QRVX_RouteNumberPlane &plane : r.planes) {
        if (plane.data != nullptr) {
            planes.push_back({{"offset", info.offsetOf({plane.data, plane.byteCount})},
                              {"byteCount", plane.byteCount},
                              {"bitsPerPixel", plane.bitsPerPixel},
                              {"width", plane.width},
                              {"height", plane.height}});
        }
    }
    return {{"programmable", r.programmable != 0},
            {"routeAtEnd", r.routeAtEnd != 0},
            {"routeCode", r.routeCode},
            {"fgBg", pairJson(r.fgBg)},
            {"stSc", pairJson(r.stSc)},
            {"fcBc", pairJson(r.fcBc)},
            {"itIc", pairJson(r.itIc)},
            {"otOc", pairJson(r.otOc)},
            {"paValue", r.paValue},
            {"pbValue", r.pbValue},
            {"pcValue", r.pcValue},
            {"pdValue", r.pdValue},
            {"paletteGiven", r.paletteGiven != 0},
            {"fcGiven", r.fcGiven != 0},
            {"fcValue", r.fcValue},
            {"bcValue", r.bcValue},
            {"icValue", r.icValue},
            {"ocValue", r.ocValue},
            {"osValue", r.osValue},
            {"inValue", r.inValue},
            {"reservedLines", r.reservedLines},
            {"rfGiven", r.rfGiven != 0},
            {"rfValue", r.rfValue},
            {"planes", planes}};
}

} // namespace

nlohmann::ordered_json toJson(const GraphicInfo &info) {
    Json out = {{"file", info.file}, {"bytes", info.bytes.size()}};
    if (const auto failure = info.failure()) {
        out["error"] = failure->detail();
    }
    out["sections"] = sectionsJson(info);
    out["scrollMode"] = info.sections.scrollMode;
    out["parameters"] = info.parameters ? parametersJson(*info.parameters) : Json(nullptr);
    out["dimensions"] = info.dimensions ? Json{{"width", info.dimensions->width},
                                               {"height", info.dimensions->height}}
                                        : Json(nullptr);
    out["programmable"] = info.programmable;
    out["routeNumber"] = routeJson(info);
    return out;
}

} // namespace qrvx::cli
