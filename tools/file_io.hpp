// Whole-file input and output that never leaves a half-written file behind.
#pragma once

#include "descriptor.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace qrvx::cli {

// The C interface counts bytes in 32 bits.
inline constexpr std::uint64_t maxGraphicBytes = 0xFFFFFFFFu;

// The name of standard input among a command's files.
inline constexpr std::string_view standardInput = "-";

// How messages name an input: "standard input" for "-", else the path.
std::string inputName(const std::string &path);

// The whole file, or all of standard input for "-", held in memory; throws Failure when it
// cannot be read or is larger than maxGraphicBytes, whose message ends in `limit`.
std::vector<std::uint8_t> readWhole(const std::string &path, std::string_view limit);

// readWhole of a graphic.
std::vector<std::uint8_t> readGraphic(const std::string &path);

// Whether path ends in extension (".png"), in any case.
bool hasExtension(std::string_view path, std::string_view extension);

// Standard input can be read once: how often files name it.
std::size_t standardInputCount(std::span<const std::string> files);

using batch::Descriptor;

// A command's output, gathered in a temporary regular file until commit(). A destination that is
// a regular file or does not exist yet is then replaced by renaming the temporary onto it, beside
// it (through symbolic links: the file a link names is replaced). "-" (standard output), devices,
// FIFOs and sockets get the bytes written through the name as given. Until commit(), and when it
// fails, the destination is untouched and the temporary goes away.
class OutputFile {
public:
    // mode: the permissions a replaced file gets; by default those of a newly created file.
    explicit OutputFile(std::string destination, std::optional<mode_t> mode = std::nullopt);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // The destination as messages name it.
    const std::string &name() const { return name_; }
    // Where a writer that takes a path (the library's PNG export) writes.
    const std::string &temporaryPath() const { return temporary_; }
    // Nothing written yet, by write() or through temporaryPath().
    bool empty() const;
    void write(std::span<const std::uint8_t> bytes);
    void commit();

private:
    void renameOntoFile();
    void copyToDestination();

    std::string destination_;
    std::string name_;
    std::string replaced_; // the regular file renamed onto; empty when written through
    std::string temporary_;
    Descriptor temporaryFile_;
    mode_t mode_;
};

// bytes as the whole of destination, through an OutputFile.
void writeFile(const std::string &destination, std::span<const std::uint8_t> bytes,
               std::optional<mode_t> mode = std::nullopt);

// The permissions of an existing file (through links), for replacing it in place.
mode_t existingMode(const std::string &path);

} // namespace qrvx::cli
