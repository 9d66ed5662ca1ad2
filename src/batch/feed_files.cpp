// A feed in a folder: its files are read as they are, with no limits (they are not inflated).
#include "feed_files.hpp"

#include "descriptor.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qrvx::batch {
namespace {

class FolderFiles final : public FeedFiles {
public:
    explicit FolderFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

    bool has(std::string_view name) const override {
        std::error_code error;
        return std::filesystem::is_regular_file(folder_ / name, error);
    }

    void read(std::string_view name,
              const std::function<void(std::string_view bytes)> &each) override {
        const std::string path = (folder_ / name).string();
        const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0) {
            throwSystemError(errno, std::string(name) + ": opening");
        }
        if (const int error = readBlocks(file.get(), each)) {
            throwSystemError(error, std::string(name) + ": reading");
        }
    }

    std::string elsewhere(std::string_view) const override { return {}; }

private:
    std::filesystem::path folder_;
};

} // namespace

std::unique_ptr<FeedFiles> openFeed(std::string_view path, const FeedLimits &limits) {
    const std::string name(path);
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) {
        throwSystemError(errno, "opening");
    }
    if (S_ISDIR(status.st_mode)) {
        return std::make_unique<FolderFiles>(name);
    }
    return openArchive(name, limits);
}

} // namespace qrvx::batch
