// A fresh directory under the system's temporary folder, removed with its contents.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <stdlib.h>
#include <string>

namespace qrvx::test {

class TempDir {
public:
    explicit TempDir(const std::string &prefix = "qrvx") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX"));
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        path_ = pattern;
    }
    ~TempDir() { std::filesystem::remove_all(path_, ignored_); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::error_code ignored_;
};

} // namespace qrvx::test
