// The code of a destination: ROUTE_HEADSIGN_HASH, the route and headsign in ASCII (shortened)
// for people, and a hash of the exact pair so that no two pairs share a code. It depends on the
// pair alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qrvx::batch {

std::string destinationCode(const std::optional<std::string> &route, std::string_view headsign);

} // namespace qrvx::batch
