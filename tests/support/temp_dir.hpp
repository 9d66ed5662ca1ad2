// A fresh directory under the system's temporary folder, removed with its contents.
#pragma once

#include <filesystem>
#include <string>

namespace qrvx::test {

class TempDir {
public:
    explicit TempDir(const std::string &prefix = "qrvx");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

} // namespace qrvx::test
