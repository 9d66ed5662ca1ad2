// The keys encoding writes: line size, colour system, palette and the route-number area.
#include "author.hpp"
#include "graphic/packed_writer.hpp"

namespace qrvx::author {
namespace {

constexpr std::uint32_t maxRouteBytes = 0xFFFF; // "@RP" numbers are 16 bits

// 0xBBGGRR, in decimal.
std::string paletteWord(Rgb colour) {
    return std::to_string(std::uint32_t{colour.red} | std::uint32_t{colour.green} << 8 |
                          std::uint32_t{colour.blue} << 16);
}

Result<std::string> routeNumberKeys(Size size, const Options &options, std::string *reason) {
    const RouteNumber &route = *options.routeNumber;
    if (options.colourSystem == 1 && options.raster == RasterDirection::horizontal) {
        return refuse(reason, Errc::routeNumberUnsupported, "use --raster vertical");
    }
    if (route.code < 1 || route.code > 3) {
        return refuse(reason, Errc::invalidOptions,
                      "route code " + std::to_string(route.code) + " (1-3)");
    }
    const LineShape shape = lineShape(size, options);
    const std::uint64_t bytes =
        std::uint64_t{shape.lines} *
        packedLineBytes(shape.lineLength, options.colourSystem == 2 ? 2 : 1);
    if (bytes > maxRouteBytes) {
        return refuse(reason, Errc::routeNumberTooLarge, std::to_string(bytes) + " bytes");
    }
    const bool end = route.side == RouteSide::end;
    return ",@RP" + std::to_string(route.code) + "/" + std::to_string(bytes) +
           (end ? "/1,RR" : "/0,RL") + std::to_string(shape.lines);
}

} // namespace

LineShape lineShape(Size size, const Options &options) {
    if (options.raster == RasterDirection::vertical) {
        return {size.width, size.height};
    }
    return {size.height, size.width};
}

Result<std::string> ownKeys(Size size, const Options &options, const std::vector<Rgb> &palette,
                            std::string *reason) {
    const bool vertical = options.raster == RasterDirection::vertical;
    std::string text = vertical ? "VE" : "HE";
    text += std::to_string(lineShape(size, options).lineLength);
    text += ",CS" + std::to_string(options.colourSystem);
    const char *keys[] = {",PA", ",PB", ",PC", ",PD"};
    for (std::size_t i = 0; i < palette.size() && i < std::size(keys); ++i) {
        text += keys[i] + paletteWord(palette[i]);
    }
    if (options.routeNumber) {
        auto route = routeNumberKeys(size, options, reason);
        if (!route) {
            return route.error();
        }
        text += *route;
    }
    return text;
}

} // namespace qrvx::author
