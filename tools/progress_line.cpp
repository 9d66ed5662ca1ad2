#include "progress_line.hpp"

namespace qrvx::cli {
namespace {

constexpr std::string_view eraseLine = "\r\033[K";
constexpr auto interval = std::chrono::milliseconds(100);

} // namespace

void ProgressLine::update(std::uint64_t done, std::uint64_t refused, std::uint64_t total) {
    done_ = done;
    refused_ = refused;
    total_ = total;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && (now - last_ >= interval || done == total_)) {
        last_ = now;
        draw();
    }
}

void ProgressLine::message(std::string_view line) {
    clear();
    out_ << line << '\n';
    if (shown_ && done_ > 0) {
        draw();
    }
    out_.flush();
}

void ProgressLine::draw() {
    out_ << eraseLine << done_ << " of " << total_ << " rows done, " << refused_
         << " signs refused";
    out_.flush();
    drawn_ = true;
}

void ProgressLine::clear() {
    if (drawn_) {
        out_ << eraseLine;
        out_.flush();
        drawn_ = false;
    }
}

} // namespace qrvx::cli
