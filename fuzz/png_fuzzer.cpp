// PNG export: the file read back with libpng is the decoded bitmap, pixel for pixel, expanded
// through the palette or the two option colours.
#include "fuzz_input.hpp"
#include "support/png_file.hpp"

#include <cerrno>
#include <string>
#include <unistd.h>

using namespace qrvx::fuzz;

namespace {

const std::string &outputPath() {
    static const std::string path =
        "/tmp/qrvx-png-fuzzer-" + std::to_string(static_cast<long>(getpid())) + ".png";
    return path;
}

// A palette entry gives its top byte (the value is repeated), an option colour its low byte.
std::array<std::uint8_t, 3> expectedPixel(const QRVX_Bitmap &bitmap, const QRVX_PNGOptions &options,
                                          std::uint8_t value) {
    const bool palette = bitmap.palette != nullptr;
    const QRVX_Colour &colour = palette      ? bitmap.palette[value]
                                : value != 0 ? options.foreground
                                             : options.background;
    const unsigned shift = palette ? 24 : 0;
    return {static_cast<std::uint8_t>(colour.red >> shift),
            static_cast<std::uint8_t>(colour.green >> shift),
            static_cast<std::uint8_t>(colour.blue >> shift)};
}

void checkImage(const QRVX_Bitmap &bitmap, const QRVX_PNGOptions &options) {
    const auto png = qrvx::test::readPng(outputPath());
    FUZZ_CHECK(png.has_value());
    FUZZ_CHECK(png->width == bitmap.width && png->height == bitmap.height);
    FUZZ_CHECK(png->bitDepth == 8 && png->colourType == 2 && png->interlace == 0);
    FUZZ_CHECK(!png->hasPalette);
    FUZZ_CHECK(png->texts.size() == 1 && png->texts[0].first == "Title");
    FUZZ_CHECK(png->texts[0].second == options.title);
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        const std::vector<std::uint8_t> &row = png->rows[y];
        FUZZ_CHECK(row.size() == std::size_t{bitmap.width} * 3);
        for (std::uint32_t x = 0; x < bitmap.width; ++x) {
            const std::uint8_t value = bitmap.pixels[std::size_t{y} * bitmap.width + x];
            const std::array<std::uint8_t, 3> rgb{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
            FUZZ_CHECK(rgb == expectedPixel(bitmap, options, value));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    const std::uint32_t shade = input.control() * 0x01010101u;
    const QRVX_PNGOptions options{{shade, 0x1FF, 0x80}, {0, shade >> 1, 0xFFFFFF00u}, "fuzz"};

    QRVX_Bitmap bitmap;
    const int decoded = QRVX_parse(&graphic, &bitmap);
    std::remove(outputPath().c_str());
    const int result = QRVX_convertToPNG(&graphic, &options, outputPath().c_str());
    if (decoded != 0) {
        FUZZ_CHECK(result == decoded);
    } else if (bitmap.width == 0 || bitmap.height == 0) {
        FUZZ_CHECK(result == -EIO || result == 0);
    } else {
        FUZZ_CHECK(result == 0);
        checkImage(bitmap, options);
    }
    QRVX_free(&bitmap);
    return 0;
}
