// `qrvx info` as text: a table of one file, or one row of the brief summary.
#include "info.hpp"
#include "report.hpp"

#include <cstdio>

namespace qrvx::cli {
namespace {

std::string n(std::uint64_t value) {
    return std::to_string(value);
}

// Printable ASCII as it is, every other byte as \xNN.
std::string quoted(const std::string &text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string scrollName(std::uint32_t mode) {
    switch (mode) {
    case 1:
        return "1 (marker byte 0x01)";
    case 2:
        return "2 (marker byte 0x00)";
    default:
        return "0 (no marker)";
    }
}

std::string colourSystemName(std::uint32_t colourSystem) {
    switch (colourSystem) {
    case 0:
        return "0 (monochrome)";
    case 1:
        return "1 (two one-bit planes)";
    default:
        return "2 (two bits a pixel)";
    }
}

std::string sizeText(std::uint32_t size) {
    return size != 0 ? n(size) : "not given";
}

std::string keysText(const Parameters &parameters) {
    std::string text;
    for (const NumericKey &key : numericKeys) {
        const ParamValue &value = parameters.*key.field;
        if (value.present != 0) {
            text += (text.empty() ? "" : " ") + std::string(key.name) + std::to_string(value.value);
        }
    }
    if (parameters.routePresent != 0) {
        text += (text.empty() ? "@RP" : " @RP") + n(parameters.routeA) + "/" +
                n(parameters.routeB) + "/" + n(parameters.routeC);
    }
    return text.empty() ? "none" : text;
}

std::string displayText(const RouteNumberGraphic &route) {
    struct Pair {
        const char *names;
        const QRVX_ParamPair &pair;
    };
    const Pair pairs[] = {{"FG/BG", route.fgBg},
                          {"ST/SC", route.stSc},
                          {"FC/BC", route.fcBc},
                          {"IT/IC", route.itIc},
                          {"OT/OC", route.otOc}};
    std::string text;
    for (const Pair &p : pairs) {
        if (p.pair.given != 0) {
            text += (text.empty() ? "" : ", ") + std::string(p.names) + " " +
                    std::to_string(p.pair.first) + "/" + std::to_string(p.pair.second);
        }
    }
    if (route.rfGiven != 0) {
        text += (text.empty() ? "RF " : ", RF ") + std::to_string(route.rfValue);
    }
    return text.empty() ? "none given" : text;
}

std::string unavailable(std::error_code error) {
    return "unavailable (" + error.message() + ")";
}

} // namespace

void printTable(std::ostream &out, const GraphicInfo &info) {
    const SectionsView &s = info.sections;
    Table table;
    table.add({"file", info.file});
    table.add({"bytes", n(info.bytes.size())});
    table.add({"parameter block", s.parameterBlock.empty()
                                      ? "none"
                                      : "offset 0, length " + n(s.parameterBlock.size()) + ": " +
                                            quoted(info.parameterText())});
    table.add({"scroll marker", s.scrollMarker.empty()
                                    ? "none"
                                    : "offset " + n(info.offsetOf(s.scrollMarker)) + ", length 2"});
    table.add({"pixel data", s.pixelData.empty() ? "none"
                                                 : "offset " + n(info.offsetOf(s.pixelData)) +
                                                       ", length " + n(s.pixelData.size())});
    if (const auto &p = info.parameters) {
        table.add({"raster", rasterName(*p)});
        table.add({"colour system", colourSystemName(p->colourSystem)});
        table.add({"row size", sizeText(p->rowSize)});
        table.add({"column size", sizeText(p->columnSize)});
        table.add({"palette", p->colourSystem == 0
                                  ? "none (monochrome)"
                                  : colourHex(p->colourA) + " " + colourHex(p->colourB) + " " +
                                        colourHex(p->colourC) + " " + colourHex(p->colourD)});
        table.add({"keys", keysText(*p)});
    } else {
        table.add({"parameters", unavailable(info.parametersError)});
    }
    table.add({"dimensions", info.dimensions
                                 ? n(info.dimensions->width) + " x " + n(info.dimensions->height)
                                 : unavailable(info.decodeError)});
    table.add({"scroll mode", scrollName(s.scrollMode)});
    table.add({"programmable", info.programmable ? "yes" : "no"});
    table.add({"route area", routeAreaSummary(info)});
    if (const auto &route = info.route) {
        for (std::size_t i = 0; i < 2; ++i) {
            const QRVX_RouteNumberPlane &plane = route->planes[i];
            if (plane.data != nullptr) {
                table.add({"route plane " + n(i),
                           "offset " + n(info.offsetOf({plane.data, plane.byteCount})) +
                               ", length " + n(plane.byteCount) + ", " + n(plane.width) + " x " +
                               n(plane.height) + ", " + n(plane.bitsPerPixel) + " bit a pixel"});
            }
        }
        table.add({"display", displayText(*route)});
    }
    table.print(out);
}

std::vector<std::string> briefHeader() {
    return {"FILE", "BYTES", "CS", "RASTER", "SIZE", "SCROLL", "PROGRAMMABLE", "ROUTE AREA"};
}

std::vector<std::string> briefRow(const GraphicInfo &info) {
    const auto &p = info.parameters;
    return {info.file,
            n(info.bytes.size()),
            p ? n(p->colourSystem) : "?",
            p ? rasterName(*p) : "?",
            info.dimensions ? n(info.dimensions->width) + "x" + n(info.dimensions->height) : "?",
            info.sections.scrollMode != 0 ? n(info.sections.scrollMode) : "-",
            info.programmable ? "yes" : "no",
            routeAreaSummary(info)};
}

} // namespace qrvx::cli
