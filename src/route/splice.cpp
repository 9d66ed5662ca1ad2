#include "route.hpp"

#include <algorithm>

namespace qrvx {

void spliceRouteBytes(std::span<std::uint8_t> destination, std::span<const std::uint8_t> target,
                      std::span<const std::uint8_t> route, bool atEnd) {
    const std::size_t kept = target.size() - route.size();
    if (atEnd) {
        std::ranges::copy(target.first(kept), destination.begin());
        std::ranges::copy(route, destination.subspan(kept).begin());
    } else {
        std::ranges::copy(route, destination.begin());
        std::ranges::copy(target.subspan(route.size()), destination.subspan(route.size()).begin());
    }
}

} // namespace qrvx
