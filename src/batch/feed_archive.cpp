// A feed in a zip archive (libzip). An archive is taken from outside, so nothing of it is read
// before every entry's name and declared sizes are checked, and every entry read is counted as
// it inflates: an archive may declare sizes it does not keep.
#include "feed_files.hpp"

#include <zip.h>

#include <array>
#include <cerrno>
#include <map>
#include <set>
#include <unistd.h>
#include <vector>

namespace qrvx::batch {
namespace {

struct ArchiveCloser {
    void operator()(zip_t *archive) const noexcept { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t *entry) const noexcept { zip_fclose(entry); }
};

[[noreturn]] void refuse(Errc error, const std::string &reason) {
    throw BatchError(error, reason);
}

std::string libzipMessage(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    return message;
}

[[noreturn]] void refuseOpening(const std::string &path, int code) {
    // libzip also says "no such file" of some damaged archives that are there.
    if (code == ZIP_ER_NOENT && ::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
        throwSystemError(ENOENT, "opening");
    }
    if (code == ZIP_ER_EXISTS) {
        refuse(Errc::unsafeArchive, "the archive has two entries of one name");
    }
    refuse(Errc::notAFeed,
           "not a folder, and not a zip archive that can be read (" + libzipMessage(code) + ")");
}

// The parts of an entry's name, "." and empty ones left out; refused when it could name a file
// outside the archive's folder.
std::vector<std::string> safeParts(const std::string &name) {
    const bool absolute =
        name.starts_with('/') || name.starts_with('\\') || (name.size() >= 2 && name[1] == ':');
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
        std::string part = name.substr(start, end - start);
        if (part == "..") {
            refuse(Errc::unsafeArchive, "the archive has an entry named '" + name +
                                            "', with '..', which leads out of its folder");
        }
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    if (absolute) {
        refuse(Errc::unsafeArchive,
               "the archive has an entry named '" + name + "', an absolute path");
    }
    return parts;
}

// inflated > compressed * ratio, without overflow; ratio 0 sets no limit.
bool beyondRatio(std::uint64_t inflated, std::uint64_t compressed, std::uint32_t ratio) {
    if (ratio == 0) {
        return false;
    }
    const std::uint64_t whole = inflated / ratio;
    return whole > compressed || (whole == compressed && inflated % ratio != 0);
}

std::string ratioReason(const std::string &name, const char *how, std::uint32_t ratio) {
    return name + " " + how + " more than " + std::to_string(ratio) +
           " times its compressed size (the limit of the compression ratio)";
}

struct Entry {
    zip_uint64_t index = 0;
    std::uint64_t size = 0;       // declared, inflated
    std::uint64_t compressed = 0; // declared, and what libzip reads of the archive for it
};

class ArchiveFiles final : public FeedFiles {
public:
    ArchiveFiles(const std::string &path, const FeedLimits &limits) : limits_(limits) {
        int code = 0;
        archive_.reset(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
        if (!archive_ && code == ZIP_ER_EXISTS) {
            // Two entries of one name: opened as it is, the checks name them.
            archive_.reset(zip_open(path.c_str(), ZIP_RDONLY, &code));
            if (archive_) {
                checkEntries();
            }
            archive_.reset();
            code = ZIP_ER_EXISTS;
        }
        if (!archive_) {
            refuseOpening(path, code);
        }
        checkEntries();
    }

    bool has(std::string_view name) const override { return top_.contains(name); }

    void read(std::string_view name,
              const std::function<void(std::string_view bytes)> &each) override {
        const Entry &entry = top_.find(name)->second;
        const std::string file(name);
        const std::unique_ptr<zip_file_t, EntryCloser> opened(
            zip_fopen_index(archive_.get(), entry.index, 0));
        if (!opened) {
            refuse(Errc::notAFeed, file + ": " + zip_strerror(archive_.get()));
        }
        std::array<char, 1 << 16> buffer{};
        std::uint64_t inflated = 0;
        for (;;) {
            const zip_int64_t count = zip_fread(opened.get(), buffer.data(), buffer.size());
            if (count < 0) {
                refuse(Errc::notAFeed, file + ": " + zip_file_strerror(opened.get()));
            }
            if (count == 0) {
                return;
            }
            const auto bytes = static_cast<std::uint64_t>(count);
            inflated += bytes;
            inflatedTotal_ += bytes;
            checkInflated(file, entry, inflated);
            each({buffer.data(), static_cast<std::size_t>(bytes)});
        }
    }

    std::string elsewhere(std::string_view name) const override {
        for (const std::string &path : nested_) {
            if (path.ends_with(name) && path[path.size() - name.size() - 1] == '/') {
                return " (the archive has it as " + path +
                       ", but a feed keeps its files at the "
                       "top of the archive)";
            }
        }
        return {};
    }

private:
    void checkEntries() {
        const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
        std::set<std::string> seen;
        for (zip_int64_t index = 0; index < count; ++index) {
            check(static_cast<zip_uint64_t>(index), seen);
        }
    }

    void check(zip_uint64_t index, std::set<std::string> &seen) {
        zip_stat_t status;
        zip_stat_init(&status);
        if (zip_stat_index(archive_.get(), index, 0, &status) != 0 || status.name == nullptr) {
            refuse(Errc::notAFeed,
                   std::string("an archive entry: ") + zip_strerror(archive_.get()));
        }
        const std::string name = status.name;
        const std::vector<std::string> parts = safeParts(name);
        if (name.ends_with('/') || parts.empty()) {
            return; // a folder
        }
        std::string path;
        for (const std::string &part : parts) {
            path += (path.empty() ? "" : "/") + part;
        }
        if (!seen.insert(path).second) {
            refuse(Errc::unsafeArchive,
                   "the archive has two entries named '" + path + "': which one is meant?");
        }
        const Entry entry{index, status.size, status.comp_size};
        if (entry.size > limits_.inflatedBytes) {
            refuse(Errc::tooLarge,
                   name + " declares " + std::to_string(entry.size) + " bytes, more than " +
                       std::to_string(limits_.inflatedBytes) + " (the limit of inflated bytes)");
        }
        if (beyondRatio(entry.size, entry.compressed, limits_.compressionRatio)) {
            refuse(Errc::tooLarge, ratioReason(name, "declares", limits_.compressionRatio));
        }
        if (parts.size() == 1) {
            top_.emplace(path, entry);
        } else {
            nested_.push_back(path);
        }
    }

    void checkInflated(const std::string &file, const Entry &entry, std::uint64_t inflated) const {
        if (inflatedTotal_ > limits_.inflatedBytes) {
            refuse(Errc::tooLarge, "the files read inflate to more than " +
                                       std::to_string(limits_.inflatedBytes) +
                                       " bytes (the limit of inflated bytes), at " + file);
        }
        if (beyondRatio(inflated, entry.compressed, limits_.compressionRatio)) {
            refuse(Errc::tooLarge, ratioReason(file, "inflates to", limits_.compressionRatio));
        }
        if (inflated > entry.size) {
            refuse(Errc::tooLarge, file + " inflates to more than the " +
                                       std::to_string(entry.size) + " bytes it declares");
        }
    }

    FeedLimits limits_;
    std::unique_ptr<zip_t, ArchiveCloser> archive_;
    std::map<std::string, Entry, std::less<>> top_;
    std::vector<std::string> nested_;
    std::uint64_t inflatedTotal_ = 0;
};

} // namespace

std::unique_ptr<FeedFiles> openArchive(const std::string &path, const FeedLimits &limits) {
    return std::make_unique<ArchiveFiles>(path, limits);
}

} // namespace qrvx::batch
