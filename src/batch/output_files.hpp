// The files of a run in its directory. Each is gathered beside its name and renamed onto it when
// complete, so a failure never leaves half a file; whatever stands at a name is replaced, a
// symbolic link too (never the file it leads to), so nothing is written outside the directory.
// A sign's file whose bytes are already there is left untouched: a re-run of an unchanged list
// writes nothing but its page and sheets. Nothing is put on the disk file by file (an fsync
// costs milliseconds each): sync() does it once for all.
#pragma once

#include "descriptor.hpp"
#include "qrvx_batch.hpp"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qrvx::batch {

// A file of the directory that cannot be written: its path, what failed and why.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputDirectory {
public:
    // Creates the directory and its parents. Throws OutputError.
    explicit OutputDirectory(std::string path);
    std::string pathOf(std::string_view name) const { return path_ + "/" + std::string(name); }

    // A folder in it, for a face's files.
    void makeFolder(std::string_view folder) const;
    // bytes as the whole of name ("front/A1.qrvx"), untouched when they are there already.
    // Safe from several threads for different names. Throws OutputError.
    Change put(std::string_view name, std::span<const std::uint8_t> bytes) const;
    // Removes name; whether it was there. Throws OutputError.
    bool remove(std::string_view name) const;
    // What name holds, empty when it is no regular file.
    std::vector<std::uint8_t> read(std::string_view name) const;
    // Everything written put on the disk at once (syncfs on Linux). Throws OutputError.
    void sync() const;

private:
    std::string path_;
};

// One output written in pieces (the page, a contact sheet), gathered beside its name in writes
// of 64 KiB and renamed onto it by commit(). Until then, and when that fails, the name is
// untouched. Throws OutputError.
class StreamedOutput {
public:
    StreamedOutput(const OutputDirectory &directory, std::string_view name);
    ~StreamedOutput();
    StreamedOutput(const StreamedOutput &) = delete;
    StreamedOutput &operator=(const StreamedOutput &) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void write(std::string_view text);
    void commit();

private:
    void flush();

    std::string path_;
    std::string temporary_;
    Descriptor file_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace qrvx::batch
