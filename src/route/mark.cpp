// Marks a graphic as programmed by deleting its reservation key ("RL", else "RR") from the raw
// parameter text, in place. The block only ever shrinks, so the caller's buffer is never
// reallocated; the length digits are rewritten to keep the block well formed.
#include "graphic/graphic.hpp"
#include "heap.hpp"
#include "log/trace.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace qrvx {
namespace {

constexpr std::size_t digitsOffset = 1;
constexpr std::size_t blockFrame = 4; // "*", two digits, "*"

struct Span {
    std::size_t begin, end;
};

// The working copy of the block: editable text that stays zero-terminated for the log.
class BlockText {
public:
    BlockText(char *text, std::size_t length) : text_(text), length_(length) {}

    std::string_view view() const { return {text_, length_}; }
    const char *cString() const { return text_; }

    void removeSpaces() {
        char *end = std::remove(text_, text_ + length_, ' ');
        length_ = static_cast<std::size_t>(end - text_);
        *end = '\0';
    }

    void erase(Span span) {
        std::memmove(text_ + span.begin, text_ + span.end, length_ - span.end + 1);
        length_ -= span.end - span.begin;
    }

    void writeTextLength() {
        constexpr std::string_view hexDigits = "0123456789ABCDEF";
        const std::size_t textLength = length_ - blockFrame;
        text_[digitsOffset] = hexDigits[(textLength >> 4) & 0xF];
        text_[digitsOffset + 1] = hexDigits[textLength & 0xF];
    }

private:
    char *text_;
    std::size_t length_;
};

// Where the first "RL" stands, else the first "RR", wherever it is.
std::size_t findReservation(std::string_view block) {
    const std::size_t left = block.find("RL");
    return left != std::string_view::npos ? left : block.find("RR");
}

// The text to delete for the key at match. A token after a comma takes that comma along and
// leaves the next; the first token (or a match inside a token) takes the comma behind it. The
// closing "*" ends the span when no comma follows.
Span deletionSpan(std::string_view block, std::size_t match) {
    const std::size_t comma = block.find(',', match);
    const std::size_t end = comma != std::string_view::npos ? comma : block.find('*', match);
    if (block[match - 1] == ',') {
        return {match - 1, end};
    }
    return {match, comma != std::string_view::npos ? comma + 1 : end};
}

int markProgrammed(QRVX_Graphic &graphic) {
    qrvxGraphicsSections sections;
    if (const int result = qrvxParseGraphicsSections(graphic.data, graphic.length, &sections)) {
        return result;
    }
    const std::uint32_t blockLength = sections.parameterBlockLength;
    if (blockLength == 0) {
        return 0;
    }
    // Text behind a zero byte could be neither searched nor kept.
    const Bytes block(graphic.data, blockLength);
    if (std::ranges::find(block, std::uint8_t{0}) != block.end()) {
        return -EINVAL;
    }
    auto copy = allocateZeroed<char>(std::size_t{blockLength} + 1);
    if (!copy) {
        return -ENOMEM;
    }
    std::memcpy(copy.get(), graphic.data, blockLength);
    trace::log(trace::Level::verbose, "QRVX_markRouteNumberProgrammed", 0, "GRAPHIC Params: %s",
               copy.get());

    BlockText text(copy.get(), blockLength);
    text.removeSpaces();
    const std::size_t match = findReservation(text.view());
    if (match == std::string_view::npos) {
        return -ENOENT;
    }
    text.erase(deletionSpan(text.view(), match));
    text.writeTextLength();
    trace::log(trace::Level::verbose, "QRVX_markRouteNumberProgrammed", 0, "New Params: %s",
               text.cString());

    const std::size_t newLength = text.view().size();
    std::memcpy(graphic.data, copy.get(), newLength);
    std::memmove(graphic.data + newLength, graphic.data + blockLength,
                 graphic.length - blockLength);
    graphic.length = static_cast<std::uint32_t>(graphic.length - blockLength + newLength);
    return 0;
}

} // namespace
} // namespace qrvx

extern "C" QRVX_API int QRVX_markRouteNumberProgrammed(QRVX_Graphic *graphic) {
    if (graphic == nullptr) {
        return -EINVAL;
    }
    return qrvx::markProgrammed(*graphic);
}
