// Whole-file input and output that never leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qrvx::cli {

// The C interface counts bytes in 32 bits.
inline constexpr std::uint64_t maxGraphicBytes = 0xFFFFFFFFu;

// The whole file; throws Failure when it cannot be read or is larger than maxGraphicBytes.
std::vector<std::uint8_t> readGraphic(const std::string &path);

// A temporary file beside the destination that becomes the destination only on commit(); until
// then, and when commit() fails, the destination is untouched and the temporary goes away.
class OutputFile {
public:
    // mode: the permissions the file gets; by default those of a newly created file.
    explicit OutputFile(std::string destination, std::optional<mode_t> mode = std::nullopt);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Where a writer that takes a path (the library's PNG export) writes.
    const std::string &temporaryPath() const { return temporary_; }
    void write(std::span<const std::uint8_t> bytes);
    void commit();

private:
    std::string destination_;
    std::string temporary_;
    int descriptor_ = -1;
    mode_t mode_;
};

// For replacing a file in place: its resolved path (a symbolic link stays a link) and mode.
struct ExistingFile {
    std::string path;
    mode_t mode;
};
ExistingFile resolveExisting(const std::string &path);

} // namespace qrvx::cli
