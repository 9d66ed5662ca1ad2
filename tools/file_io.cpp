#include "file_io.hpp"

#include "failure.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qrvx::cli {
namespace {

namespace fs = std::filesystem;

Failure tooLarge(const std::string &name, std::string_view limit) {
    return Failure(name, "larger than 4 GiB - 1 bytes, " + std::string(limit), EFBIG);
}

// umask can only be read by setting it, which is no business for several threads at once: it is
// read once (the tool never changes it).
mode_t newFileMode() {
    static const mode_t mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return current;
    }();
    return 0666 & ~mask;
}

ssize_t readSome(int descriptor, std::span<std::uint8_t> into) {
    ssize_t count = 0;
    do {
        count = ::read(descriptor, into.data(), into.size());
    } while (count < 0 && errno == EINTR);
    return count;
}

void writeAll(int descriptor, std::span<const std::uint8_t> bytes, const std::string &name) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Failure(name, "writing", errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
}

// The name a chain of symbolic links ends at; that file need not exist.
std::string followLinks(const std::string &path) {
    fs::path current(path);
    for (int links = 0; links < 40; ++links) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error))) {
            return current.string();
        }
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            throw Failure(path, "resolving", error);
        }
        current = current.parent_path() / target; // an absolute target replaces the whole
    }
    throw Failure(path, "resolving", ELOOP);
}

bool sameFile(const struct stat &one, const struct stat &other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The regular file, existing or not, that destination leads to and that is replaced by a rename;
// empty when the bytes go through destination as named. Standard output of a deleted file, say,
// leads through /proc to a name that is no longer that file's.
std::string replacedFile(const std::string &destination) {
    if (destination == "-") {
        return {};
    }
    struct stat named {};
    if (::stat(destination.c_str(), &named) != 0) {
        return followLinks(destination);
    }
    if (!S_ISREG(named.st_mode)) {
        return {};
    }
    std::string file = followLinks(destination);
    struct stat followed {};
    return ::stat(file.c_str(), &followed) == 0 && sameFile(named, followed) ? file : std::string();
}

// For mkostemp: beside the replaced file, so that the rename cannot cross file systems.
std::string temporaryTemplate(const std::string &replaced, const std::string &name) {
    std::error_code error;
    const fs::path directory =
        replaced.empty() ? fs::temp_directory_path(error) : fs::path(replaced).parent_path();
    if (error) {
        throw Failure(name, "creating a temporary file", error);
    }
    const std::string base = replaced.empty() ? "qrvx" : fs::path(replaced).filename().string();
    return (directory / ("." + base + ".XXXXXX")).string();
}

std::vector<std::uint8_t> readAll(int descriptor, const std::string &name, std::string_view limit) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        throw Failure(name, "reading", errno);
    }
    const bool regular = S_ISREG(status.st_mode);
    if (regular && static_cast<std::uint64_t>(status.st_size) > maxGraphicBytes) {
        throw tooLarge(name, limit);
    }
    // One byte more than a regular file holds, so that its end shows without growing.
    constexpr std::size_t chunk = 1 << 16;
    std::vector<std::uint8_t> bytes(regular ? static_cast<std::size_t>(status.st_size) + 1 : chunk);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxGraphicBytes) {
                throw tooLarge(name, limit);
            }
            bytes.resize(used + chunk);
        }
        const ssize_t count = readSome(descriptor, std::span(bytes).subspan(used));
        if (count < 0) {
            throw Failure(name, "reading", errno);
        }
        if (count == 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    if (used > maxGraphicBytes) {
        throw tooLarge(name, limit);
    }
    bytes.resize(used);
    return bytes;
}

} // namespace

std::string inputName(const std::string &path) {
    return path == standardInput ? "standard input" : path;
}

std::vector<std::uint8_t> readWhole(const std::string &path, std::string_view limit) {
    if (path == standardInput) {
        return readAll(STDIN_FILENO, inputName(path), limit);
    }
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        throw Failure(path, "opening", errno);
    }
    return readAll(file.get(), path, limit);
}

std::vector<std::uint8_t> readGraphic(const std::string &path) {
    return readWhole(path, "the most a graphic can have");
}

bool hasExtension(std::string_view path, std::string_view extension) {
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return path.size() >= extension.size() &&
           std::ranges::equal(path.substr(path.size() - extension.size()), extension, {}, lower,
                              lower);
}

std::size_t standardInputCount(std::span<const std::string> files) {
    return static_cast<std::size_t>(std::ranges::count(files, standardInput));
}

OutputFile::OutputFile(std::string destination, std::optional<mode_t> mode)
    : destination_(std::move(destination)),
      name_(destination_ == "-" ? "standard output" : destination_),
      replaced_(replacedFile(destination_)), temporary_(temporaryTemplate(replaced_, name_)),
      temporaryFile_(::mkostemp(temporary_.data(), O_CLOEXEC)),
      mode_(mode.value_or(newFileMode())) {
    if (temporaryFile_.get() < 0) {
        temporary_.clear();
        throw Failure(name_, "creating", errno);
    }
}

OutputFile::~OutputFile() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

bool OutputFile::empty() const {
    struct stat status {};
    return ::fstat(temporaryFile_.get(), &status) == 0 && status.st_size == 0;
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
    writeAll(temporaryFile_.get(), bytes, name_);
}

void OutputFile::commit() {
    if (replaced_.empty()) {
        copyToDestination();
    } else {
        renameOntoFile();
    }
}

void OutputFile::renameOntoFile() {
    // Whatever led here, a rename never replaces a device, a pipe or a directory.
    struct stat replaced {};
    if (::lstat(replaced_.c_str(), &replaced) == 0 && !S_ISREG(replaced.st_mode)) {
        throw Failure(name_, "replacing what is not a regular file", EPERM);
    }
    // Durable before the rename, so that a crash cannot leave an empty file in its place.
    if (::fchmod(temporaryFile_.get(), mode_) != 0 || ::fsync(temporaryFile_.get()) != 0 ||
        temporaryFile_.close() != 0) {
        throw Failure(name_, "writing", errno);
    }
    if (::rename(temporary_.c_str(), replaced_.c_str()) != 0) {
        throw Failure(name_, "replacing", errno);
    }
    temporary_.clear();
}

void OutputFile::copyToDestination() {
    // Nameless from here on, so that nothing stays behind even when a broken pipe ends the tool.
    ::unlink(std::exchange(temporary_, std::string()).c_str());
    const bool standardOutput = destination_ == "-";
    Descriptor opened(
        standardOutput ? -1 : ::open(destination_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    const int out = standardOutput ? STDOUT_FILENO : opened.get();
    if (out < 0) {
        throw Failure(name_, "opening", errno);
    }
    if (::lseek(temporaryFile_.get(), 0, SEEK_SET) != 0) {
        throw Failure(name_, "reading back", errno);
    }
    std::array<std::uint8_t, 1 << 16> buffer{};
    for (ssize_t count; (count = readSome(temporaryFile_.get(), buffer)) != 0;) {
        if (count < 0) {
            throw Failure(name_, "reading back", errno);
        }
        writeAll(out, std::span(buffer).first(static_cast<std::size_t>(count)), name_);
    }
    struct stat status {};
    const bool regular = ::fstat(out, &status) == 0 && S_ISREG(status.st_mode);
    if ((regular && ::fsync(out) != 0) || opened.close() != 0) {
        throw Failure(name_, "writing", errno);
    }
}

void writeFile(const std::string &destination, std::span<const std::uint8_t> bytes,
               std::optional<mode_t> mode) {
    OutputFile file(destination, mode);
    file.write(bytes);
    file.commit();
}

mode_t existingMode(const std::string &path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw Failure(path, "reading", errno);
    }
    return status.st_mode & 07777;
}

} // namespace qrvx::cli
