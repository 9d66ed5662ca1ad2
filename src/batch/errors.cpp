// The error category of refused feeds, lists, sign sets and runs.
#include "batch.hpp"

#include <cstring>

namespace qrvx::batch {
namespace {

class Category : public std::error_category {
public:
    const char *name() const noexcept override { return "qrvx::batch"; }

    std::string message(int value) const override {
        switch (static_cast<Errc>(value)) {
        case Errc::notAFeed:
            return "not a feed: neither a folder nor a zip archive";
        case Errc::unsafeArchive:
            return "an archive entry named outside the archive or twice";
        case Errc::tooLarge:
            return "the archive inflates beyond its limits";
        case Errc::missingFile:
            return "a file the feed needs is missing";
        case Errc::missingColumn:
            return "a column the feed needs is missing";
        case Errc::malformedFile:
            return "a malformed file";
        case Errc::invalidUtf8:
            return "invalid UTF-8";
        case Errc::noMatch:
            return "the filter matches no route";
        case Errc::codeCollision:
            return "two destinations would share a code";
        case Errc::invalidList:
            return "the destination list cannot be made";
        case Errc::invalidSignSet:
            return "the sign set cannot be read";
        case Errc::invalidRequest:
            return "the options cannot make a sign";
        case Errc::outputFailed:
            return "an output cannot be written";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category &errorCategory() noexcept {
    static const Category category;
    return category;
}

void throwSystemError(int number, const std::string &what) {
    throw BatchError({number, std::generic_category()}, what + ": " + std::strerror(number));
}

} // namespace qrvx::batch
