// The code of a destination: ROUTE_HEADSIGN_HASH, the route and headsign in ASCII (shortened)
// for people, and a hash of the exact pair so that no two pairs share a code. It depends on the
// pair alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qrvx::batch {

inline constexpr std::size_t routeSlugLength = 8;
inline constexpr std::size_t headsignSlugLength = 22;
inline constexpr std::size_t hashLength = 8; // 40 bits in base 32
inline constexpr std::size_t maxCodeLength = routeSlugLength + headsignSlugLength + hashLength + 2;

// text in ASCII letters and digits: accents dropped, letters without a decomposition spelled
// out (ł l, ß ss, æ ae, ...), everything else a "-" between words; at most length characters.
std::string asciiSlug(std::string_view text, std::size_t length);

std::string destinationCode(const std::optional<std::string> &route, std::string_view headsign);

} // namespace qrvx::batch
