#include "output_files.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace qrvx::batch {
namespace {

constexpr std::size_t gathered = 1 << 16;

[[noreturn]] void fail(const std::string &path, std::string_view what, int error) {
    throw OutputError(path + ": " + std::string(what) + ": " + std::strerror(error));
}

void writeAll(int descriptor, std::span<const std::uint8_t> bytes, const std::string &path) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(path, "writing", errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
}

// Beside the file it replaces, in the same folder, under a name no other output takes.
Descriptor createTemporary(const std::string &path, std::string &temporary) {
    static std::atomic<std::uint64_t> made{0};
    static const std::string process = std::to_string(::getpid()); // a system call a file saved
    const std::size_t slash = path.rfind('/');
    for (;;) {
        temporary = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + "." + process + "." +
                    std::to_string(made++);
        // The umask applies as to any new file.
        Descriptor opened(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (opened.get() >= 0 || errno != EEXIST) {
            if (opened.get() < 0) {
                fail(path, "creating", errno);
            }
            return opened;
        }
    }
}

// Whether the file at path, of bytes' size, holds exactly them.
bool holds(const std::string &path, std::span<const std::uint8_t> bytes) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0) {
        return false;
    }
    std::uint8_t buffer[gathered];
    std::size_t compared = 0;
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return count == 0 && compared == bytes.size();
        }
        const auto got = static_cast<std::size_t>(count);
        if (compared + got > bytes.size() ||
            std::memcmp(buffer, bytes.data() + compared, got) != 0) {
            return false;
        }
        compared += got;
    }
}

// What stands at a name before an output is put there.
enum class Standing { nothing, other, same };

// Whether something stands at path, and whether it is a regular file holding exactly bytes (a
// link, a folder or a fifo does not): one lstat where nothing stands, as in a first run.
Standing standing(const std::string &path, std::span<const std::uint8_t> bytes) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? Standing::nothing : Standing::other;
    }
    if (!S_ISREG(status.st_mode) || static_cast<std::uint64_t>(status.st_size) != bytes.size()) {
        return Standing::other;
    }
    return holds(path, bytes) ? Standing::same : Standing::other;
}

} // namespace

OutputDirectory::OutputDirectory(std::string path) : path_(std::move(path)) {
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error) {
        throw OutputError(path_ + ": creating the directory: " + error.message());
    }
}

void OutputDirectory::makeFolder(std::string_view folder) const {
    const std::string path = pathOf(folder);
    if (::mkdir(path.c_str(), 0777) == 0) {
        return;
    }
    const int error = errno;
    struct stat status {};
    if (error != EEXIST || ::lstat(path.c_str(), &status) != 0) {
        fail(path, "creating the folder", error);
    }
    // A link there would lead the face's files out of the directory.
    if (!S_ISDIR(status.st_mode)) {
        fail(path, "creating the folder", ENOTDIR);
    }
}

Change OutputDirectory::put(std::string_view name, std::span<const std::uint8_t> bytes) const {
    const std::string path = pathOf(name);
    const Standing before = standing(path, bytes);
    if (before == Standing::same) {
        return Change::unchanged;
    }
    std::string temporary;
    Descriptor file = createTemporary(path, temporary);
    try {
        writeAll(file.get(), bytes, path);
        if (file.close() != 0) {
            fail(path, "writing", errno);
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            fail(path, "replacing", errno);
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    return before == Standing::other ? Change::changed : Change::added;
}

bool OutputDirectory::remove(std::string_view name) const {
    const std::string path = pathOf(name);
    if (::unlink(path.c_str()) == 0) {
        return true;
    }
    if (errno != ENOENT) {
        fail(path, "removing what an earlier run made", errno);
    }
    return false;
}

std::vector<std::uint8_t> OutputDirectory::read(std::string_view name) const {
    std::vector<std::uint8_t> bytes;
    const Descriptor file(::open(pathOf(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0) {
        return bytes;
    }
    std::uint8_t buffer[gathered];
    for (ssize_t count; (count = ::read(file.get(), buffer, sizeof buffer)) != 0;) {
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {};
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    return bytes;
}

void OutputDirectory::sync() const {
    const Descriptor opened(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened.get() < 0) {
        fail(path_, "opening", errno);
    }
#if defined(__linux__)
    const int synced = ::syncfs(opened.get());
#else
    ::sync();
    const int synced = ::fsync(opened.get());
#endif
    if (synced != 0) {
        fail(path_, "writing to the disk", errno);
    }
}

StreamedOutput::StreamedOutput(const OutputDirectory &directory, std::string_view name)
    : path_(directory.pathOf(name)), file_(createTemporary(path_, temporary_)) {}

StreamedOutput::~StreamedOutput() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void StreamedOutput::write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > gathered) {
        flush();
    }
    if (bytes.size() >= gathered) {
        writeAll(file_.get(), bytes, path_);
    } else {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }
}

void StreamedOutput::write(std::string_view text) {
    write({reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
}

void StreamedOutput::flush() {
    writeAll(file_.get(), buffer_, path_);
    buffer_.clear();
}

void StreamedOutput::commit() {
    flush();
    if (file_.close() != 0) {
        fail(path_, "writing", errno);
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        fail(path_, "replacing", errno);
    }
    temporary_.clear();
}

} // namespace qrvx::batch
