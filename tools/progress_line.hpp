// A line on a terminal that counts rows as they are done, updated in place; on a pipe or in a
// file, nothing, since carriage returns would only clutter a log.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string_view>

namespace qrvx::cli {

class ProgressLine {
public:
    ProgressLine(std::ostream &out, bool shown) : out_(out), shown_(shown) {}
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // At most a few times a second, however fast rows are done; total as the caller learns it.
    void update(std::uint64_t done, std::uint64_t refused, std::uint64_t total);
    // A whole line of its own, above the progress line.
    void message(std::string_view line);

private:
    void draw();
    void clear();

    std::ostream &out_;
    bool shown_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t refused_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace qrvx::cli
