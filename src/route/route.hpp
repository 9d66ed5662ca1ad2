// Pieces of route-number programming that stand on their own.
#pragma once

#include <cstdint>
#include <span>

namespace qrvx {

// Writes the target run into destination (exactly as long as the target run) with the route run
// in place of as many bytes at the start, or at the end when atEnd. The route run must not be
// longer than the target run. Two block copies.
void spliceRouteBytes(std::span<std::uint8_t> destination, std::span<const std::uint8_t> target,
                      std::span<const std::uint8_t> route, bool atEnd);

} // namespace qrvx
