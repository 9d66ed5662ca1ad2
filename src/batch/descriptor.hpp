// A file descriptor closed once, on every path, and read to its end.
#pragma once

#include <unistd.h>

#include <array>
#include <cerrno>
#include <functional>
#include <string_view>
#include <utility>

namespace qrvx::batch {

class Descriptor {
public:
    explicit Descriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor(Descriptor &&other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    int get() const { return descriptor_; }
    // close(2)'s result: the last chance to hear of a failed write; 0 when none is open.
    int close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return descriptor >= 0 ? ::close(descriptor) : 0;
    }

private:
    int descriptor_;
};

// Hands what descriptor holds to each in pieces of 64 KiB, to its end: 0, or errno when reading
// fails. What each throws passes on.
inline int readBlocks(int descriptor, const std::function<void(std::string_view bytes)> &each) {
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return count < 0 ? errno : 0;
        }
        each({buffer.data(), static_cast<std::size_t>(count)});
    }
}

} // namespace qrvx::batch
