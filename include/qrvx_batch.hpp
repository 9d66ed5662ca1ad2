// qrvx batch: the destinations of a whole network (libqrvx_batch, beside libqrvx).
//
// - No exception leaves these functions: results are qrvx::Result, and a refusal's reason is
//   text for people.
#ifndef QRVX_BATCH_HPP
#define QRVX_BATCH_HPP

#include "qrvx.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#if defined(__GNUC__)
#define QRVX_BATCH_API __attribute__((visibility("default")))
#else
#define QRVX_BATCH_API
#endif

namespace qrvx::batch {

enum class Errc {
    notAFeed = 1,  // neither a folder nor a zip archive libzip can read
    unsafeArchive, // an entry named with "..", an absolute path, or a name given twice
    tooLarge,      // an entry inflates beyond FeedLimits; the reason names the limit
    missingFile,   // no routes.txt or trips.txt; the reason names it
    missingColumn, // a file lacks a column it needs; the reason names both
    malformedFile, // malformed quoting, an oversized cell, a number that is none: FILE:LINE
    invalidUtf8,   // FILE:LINE and the byte
    noMatch,       // a filter names an agency, route or route type the feed does not have
    codeCollision, // two destinations would share a code (see Destination::code)
};

QRVX_BATCH_API const std::error_category &errorCategory() noexcept;

inline std::error_code make_error_code(Errc error) noexcept {
    return {static_cast<int>(error), errorCategory()};
}

} // namespace qrvx::batch

template <>
struct std::is_error_code_enum<qrvx::batch::Errc> : std::true_type {};

#endif // QRVX_BATCH_HPP
