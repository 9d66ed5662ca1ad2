// A directory of the fuzzing process's own, on a RAM file system when there is one, removed at
// exit: for targets whose inputs are files.
#pragma once

#include "fuzz_check.hpp"

#include <filesystem>
#include <stdlib.h>
#include <string>

namespace qrvx::fuzz {

inline const std::filesystem::path &scratchDirectory(const char *name) {
    namespace fs = std::filesystem;
    struct Directory {
        fs::path path;
        explicit Directory(const char *prefix) {
            const fs::path base =
                fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
            std::string pattern = (base / (std::string(prefix) + "_XXXXXX")).string();
            FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
            path = pattern;
        }
        ~Directory() { fs::remove_all(path); }
    };
    static const Directory made(name);
    return made.path;
}

} // namespace qrvx::fuzz
