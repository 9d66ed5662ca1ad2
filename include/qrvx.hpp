// qrvx for C++20: a header-only face over the C interface of qrvx.h.
//
// - Inputs are std::span<const std::uint8_t>; the library never keeps them.
// - Results are values; failures are std::error_code in std::generic_category() (the library's
//   results are negative errno values, so Result::error() == std::errc::invalid_argument works).
// - Types named ...View borrow the caller's graphic: they point into it and are valid only while
//   it lives unchanged. Bitmap and ProgrammedGraphic own their memory.
// - Nothing here copies or allocates beyond what the C calls do.
// - The C interface counts bytes in 32 bits: a span of 4 GiB or more is refused with
//   std::errc::value_too_large before any C call, never read as a shorter graphic.
#ifndef QRVX_HPP
#define QRVX_HPP

#include "qrvx.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

namespace qrvx {

using ByteSpan = std::span<const std::uint8_t>;
using Parameters = qrvxGraphicsParameters;
using Colour = QRVX_Colour;
using ExtractOptions = QRVX_ExtractOptions;
using RouteNumberGraphic = QRVX_RouteNumberGraphic;

// The error of a negative result of the C interface.
inline std::error_code errorOf(int result) noexcept {
    return {result < 0 ? -result : result, std::generic_category()};
}

// A value, or the error that prevented it. value() throws std::system_error on an error.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(std::error_code error) : error_(error) {}

    bool has_value() const noexcept { return value_.has_value(); }
    explicit operator bool() const noexcept { return has_value(); }
    std::error_code error() const noexcept { return error_; }

    T &value() & { return checked(), *value_; }
    const T &value() const & { return checked(), *value_; }
    // By value: a reference into a temporary result would dangle (for (x : f().value())).
    T value() && { return checked(), std::move(*value_); }
    T &operator*() &noexcept { return *value_; }
    const T &operator*() const &noexcept { return *value_; }
    T *operator->() noexcept { return &*value_; }
    const T *operator->() const noexcept { return &*value_; }

private:
    void checked() const {
        if (!value_) {
            throw std::system_error(error_);
        }
    }

    std::optional<T> value_;
    std::error_code error_;
};

namespace detail {
// size as the C interface counts it, or value_too_large when 32 bits cannot hold it.
inline Result<std::uint32_t> length(std::size_t size) noexcept {
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        return std::make_error_code(std::errc::value_too_large);
    }
    return static_cast<std::uint32_t>(size);
}
inline ByteSpan view(const std::uint8_t *data, std::size_t size) noexcept {
    return data != nullptr ? ByteSpan(data, size) : ByteSpan();
}
struct FreeDeleter {
    void operator()(void *memory) const noexcept { std::free(memory); }
};
} // namespace detail

// A graphic in the caller's buffer, with the line sizes to use where its parameters give none.
struct Graphic {
    ByteSpan bytes;
    std::uint32_t defaultRowSize = 0;
    std::uint32_t defaultColumnSize = 0;

    // The C record, or value_too_large. The library writes through data only when marking, which
    // takes a mutable span instead.
    Result<QRVX_Graphic> c() const noexcept {
        const Result<std::uint32_t> size = detail::length(bytes.size());
        if (!size) {
            return size.error();
        }
        return QRVX_Graphic{const_cast<std::uint8_t *>(bytes.data()), *size, defaultRowSize,
                            defaultColumnSize};
    }
};

// Where the sections of a graphic lie (borrowed).
struct SectionsView {
    ByteSpan parameterBlock; // "*NN...*", empty without a block
    ByteSpan scrollMarker;   // "U" and its mode byte, empty without a marker
    ByteSpan pixelData;
    std::uint32_t scrollMode = 0; // 0 none, 1 marker byte 0x01, 2 marker byte 0x00
};

inline Result<SectionsView> sections(ByteSpan graphic) noexcept {
    const Result<std::uint32_t> size = detail::length(graphic.size());
    if (!size) {
        return size.error();
    }
    qrvxGraphicsSections s{};
    qrvxParseGraphicsSections(graphic.data(), *size, &s);
    SectionsView out{detail::view(s.parameterBlock, s.parameterBlockLength),
                     detail::view(s.scrollMarker, 2), detail::view(s.pixelData, s.pixelDataLength)};
    qrvxParseScroll(s.scrollMarker, &out.scrollMode);
    return out;
}

// The parameters of the block at the start of graphic (the initial record without one).
inline Result<Parameters> parameters(ByteSpan graphic) noexcept {
    const Result<std::uint32_t> size = detail::length(graphic.size());
    if (!size) {
        return size.error();
    }
    Parameters out;
    const int result = qrvxParseGraphicsParameters(graphic.data(), *size, &out);
    if (result != 0) {
        return errorOf(result);
    }
    return out;
}

// A decoded graphic: one byte a pixel, row after row.
class Bitmap {
public:
    static Result<Bitmap> decode(const Graphic &graphic) noexcept {
        const Result<QRVX_Graphic> c = graphic.c();
        if (!c) {
            return c.error();
        }
        Bitmap bitmap;
        const int result = QRVX_parse(&*c, &bitmap.bitmap_);
        if (result != 0) {
            return errorOf(result);
        }
        return bitmap;
    }

    Bitmap(Bitmap &&other) noexcept : bitmap_(std::exchange(other.bitmap_, QRVX_Bitmap{})) {}
    Bitmap &operator=(Bitmap &&other) noexcept {
        if (this != &other) {
            QRVX_free(&bitmap_);
            bitmap_ = std::exchange(other.bitmap_, QRVX_Bitmap{});
        }
        return *this;
    }
    Bitmap(const Bitmap &) = delete;
    Bitmap &operator=(const Bitmap &) = delete;
    ~Bitmap() { QRVX_free(&bitmap_); }

    std::uint32_t width() const noexcept { return bitmap_.width; }
    std::uint32_t height() const noexcept { return bitmap_.height; }
    std::uint32_t scrollMode() const noexcept { return bitmap_.scrollMode; }
    // The image's pixels: height rows of width bytes (0/1, or palette indices 0-3).
    std::span<const std::uint8_t> pixels() const noexcept {
        return detail::view(bitmap_.pixels, std::size_t{bitmap_.width} * bitmap_.height);
    }
    std::span<const std::uint8_t> row(std::uint32_t y) const noexcept {
        return pixels().subspan(std::size_t{y} * bitmap_.width, bitmap_.width);
    }
    // Four entries for colour systems 1 and 2, empty for monochrome.
    std::span<const Colour> palette() const noexcept {
        return bitmap_.palette != nullptr
                   ? std::span<const Colour>(bitmap_.palette, bitmap_.paletteCount)
                   : std::span<const Colour>();
    }
    const QRVX_Bitmap &c() const noexcept { return bitmap_; }

private:
    Bitmap() noexcept : bitmap_{} {}
    QRVX_Bitmap bitmap_;
};

struct PngOptions {
    Colour foreground{255, 255, 255}; // pixels that are set, without a palette
    Colour background{0, 0, 0};
    const char *title = ""; // the "Title" text chunk
};

// Writes graphic as an 8-bit RGB PNG file; an empty error_code on success.
inline std::error_code writePng(const Graphic &graphic, const char *fileName,
                                const PngOptions &options = {}) noexcept {
    const Result<QRVX_Graphic> c = graphic.c();
    if (!c) {
        return c.error();
    }
    const QRVX_PNGOptions png{options.foreground, options.background, options.title};
    const int result = QRVX_convertToPNG(&*c, &png, fileName);
    return result != 0 ? errorOf(result) : std::error_code();
}

// The packed image of a vertical-raster graphic, inside the graphic (borrowed).
struct ImageView {
    std::uint32_t colourSystem = 0;
    std::uint32_t columnCount = 0;
    std::uint32_t columnSize = 0;
    ByteSpan data;
    ByteSpan secondPlane; // colour system 1 only
};

inline Result<ImageView> extractImage(const Graphic &graphic,
                                      const ExtractOptions &options = {}) noexcept {
    const Result<QRVX_Graphic> c = graphic.c();
    if (!c) {
        return c.error();
    }
    QRVX_Image image{};
    const int result = QRVX_extractImage(&*c, &options, &image);
    if (result != 0) {
        return errorOf(result);
    }
    return ImageView{image.colourSystem, image.columnCount, image.columnSize,
                     detail::view(image.data, image.length),
                     detail::view(image.secondPlane, image.length)};
}

// false also for a graphic the library cannot read, such as one of 4 GiB or more.
inline bool routeNumberProgrammable(const Graphic &graphic) noexcept {
    const Result<QRVX_Graphic> c = graphic.c();
    return c && QRVX_routeNumberProgrammable(&*c) != 0;
}

// The route-number area (its planes point into the graphic) and display attributes.
inline Result<RouteNumberGraphic> describeRouteNumber(const Graphic &graphic) noexcept {
    const Result<QRVX_Graphic> c = graphic.c();
    if (!c) {
        return c.error();
    }
    RouteNumberGraphic out{};
    const int result = QRVX_getRouteNumberGraphic(&*c, &out);
    if (result != 0) {
        return errorOf(result);
    }
    return out;
}

// A graphic built by programRouteNumber, owned (released with free).
class ProgrammedGraphic {
public:
    ProgrammedGraphic(std::uint8_t *data, std::uint32_t size) noexcept : data_(data), size_(size) {}
    ByteSpan bytes() const noexcept { return {data_.get(), size_}; }
    std::uint8_t *release() noexcept { return data_.release(); }

private:
    std::unique_ptr<std::uint8_t[], detail::FreeDeleter> data_;
    std::uint32_t size_;
};

inline Result<ProgrammedGraphic> programRouteNumber(const Graphic &target,
                                                    const Graphic &source) noexcept {
    const Result<QRVX_Graphic> t = target.c();
    const Result<QRVX_Graphic> s = source.c();
    if (!t || !s) {
        return !t ? t.error() : s.error();
    }
    std::uint8_t *data = nullptr;
    std::uint32_t size = 0;
    const int result = QRVX_programRouteNumber(&*t, &*s, &data, &size);
    if (result != 0) {
        std::free(data); // the buffer of a graphic too small for the route number
        return errorOf(result);
    }
    return ProgrammedGraphic(data, size);
}

// Deletes the reservation key in place; the new length of the graphic (its bytes beyond it are
// left as they were).
inline Result<std::size_t> markRouteNumberProgrammed(std::span<std::uint8_t> graphic) noexcept {
    const Result<std::uint32_t> size = detail::length(graphic.size());
    if (!size) {
        return size.error();
    }
    QRVX_Graphic c{graphic.data(), *size, 0, 0};
    const int result = QRVX_markRouteNumberProgrammed(&c);
    if (result != 0) {
        return errorOf(result);
    }
    return std::size_t{c.length};
}

} // namespace qrvx

#endif // QRVX_HPP
