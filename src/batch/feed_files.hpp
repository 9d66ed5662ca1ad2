// The files of a feed: the entries at the top of a zip archive, or the files of a folder.
#pragma once

#include "batch.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qrvx::batch {

class FeedFiles {
public:
    virtual ~FeedFiles() = default;
    virtual bool has(std::string_view name) const = 0;
    // Hands the bytes of the file in pieces to each, which may throw to stop reading. Throws
    // BatchError when the file cannot be read or inflates beyond the limits.
    virtual void read(std::string_view name,
                      const std::function<void(std::string_view bytes)> &each) = 0;
    // Where the feed holds name other than at its top, for a refusal: " (the archive has it as
    // gtfs/routes.txt; ...)", or nothing.
    virtual std::string elsewhere(std::string_view name) const = 0;
};

// A folder, or else a zip archive whose entries are all checked before anything is read: no
// absolute name, no "..", no name twice, no declared size or compression ratio beyond limits.
// Throws BatchError.
std::unique_ptr<FeedFiles> openFeed(std::string_view path, const FeedLimits &limits);

// The zip archive at path, as openFeed opens it.
std::unique_ptr<FeedFiles> openArchive(const std::string &path, const FeedLimits &limits);

} // namespace qrvx::batch
