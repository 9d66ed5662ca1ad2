#include "file_io.hpp"

#include "failure.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qrvx::cli {
namespace {

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() { ::close(descriptor_); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

Failure tooLarge(const std::string &path) {
    return Failure(path, "larger than 4 GiB - 1 bytes, the most a graphic can have", EFBIG);
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::vector<std::uint8_t> readGraphic(const std::string &path) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        throw Failure(path, "opening", errno);
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throw Failure(path, "reading", errno);
    }
    const bool regular = S_ISREG(status.st_mode);
    if (regular && static_cast<std::uint64_t>(status.st_size) > maxGraphicBytes) {
        throw tooLarge(path);
    }
    // One byte more than a regular file holds, so that its end shows without growing.
    constexpr std::size_t chunk = 1 << 16;
    std::vector<std::uint8_t> bytes(regular ? static_cast<std::size_t>(status.st_size) + 1 : chunk);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxGraphicBytes) {
                throw tooLarge(path);
            }
            bytes.resize(used + chunk);
        }
        const ssize_t count = ::read(file.get(), bytes.data() + used, bytes.size() - used);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Failure(path, "reading", errno);
        }
        if (count == 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    if (used > maxGraphicBytes) {
        throw tooLarge(path);
    }
    bytes.resize(used);
    return bytes;
}

OutputFile::OutputFile(std::string destination, std::optional<mode_t> mode)
    : destination_(std::move(destination)), mode_(mode.value_or(newFileMode())) {
    // In the destination's directory, so that the rename cannot cross file systems.
    const std::filesystem::path target(destination_);
    std::string hidden = ".";
    hidden.append(target.filename().string()).append(".XXXXXX");
    std::string name = (target.parent_path() / hidden).string();
    descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        throw Failure(destination_, "creating", errno);
    }
    temporary_ = std::move(name);
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor_, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Failure(destination_, "writing", errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
}

void OutputFile::commit() {
    // Durable before the rename, so that a crash cannot leave an empty file in its place.
    if (::fchmod(descriptor_, mode_) != 0 || ::fsync(descriptor_) != 0) {
        throw Failure(destination_, "writing", errno);
    }
    const int closed = ::close(descriptor_);
    descriptor_ = -1;
    if (closed != 0) {
        throw Failure(destination_, "writing", errno);
    }
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        throw Failure(destination_, "replacing", errno);
    }
    temporary_.clear();
}

ExistingFile resolveExisting(const std::string &path) {
    std::error_code error;
    std::string resolved = std::filesystem::canonical(path, error).string();
    struct stat status {};
    if (error) {
        throw Failure(path, "resolving", error);
    }
    if (::stat(resolved.c_str(), &status) != 0) {
        throw Failure(path, "reading", errno);
    }
    return {std::move(resolved), status.st_mode & 07777};
}

} // namespace qrvx::cli
