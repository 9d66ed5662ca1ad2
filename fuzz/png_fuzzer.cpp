// PNG export: the file read back with libpng is the decoded bitmap, pixel for pixel, expanded
// through the palette (its top bytes) or the two option colours (their low bytes); a graphic that
// does not decode writes no file.
#include "fuzz_input.hpp"
#include "support/png_file.hpp"

#include <filesystem>
#include <string>
#include <unistd.h>

using namespace qrvx::fuzz;

namespace {

void checkImage(const std::string &path, const QRVX_Bitmap &bitmap,
                const QRVX_PNGOptions &options) {
    const auto png = qrvx::test::readPng(path);
    FUZZ_CHECK(png && png->width == bitmap.width && png->height == bitmap.height);
    FUZZ_CHECK(png->bitDepth == 8 && png->colourType == 2 && png->interlace == 0);
    FUZZ_CHECK(!png->hasPalette && png->texts.size() == 1 && png->texts[0].first == "Title");
    FUZZ_CHECK(png->texts[0].second == options.title);
    const unsigned shift = bitmap.palette != nullptr ? 24 : 0;
    for (std::uint32_t y = 0; y < bitmap.height; ++y) {
        const std::vector<std::uint8_t> &row = png->rows[y];
        FUZZ_CHECK(row.size() == std::size_t{bitmap.width} * 3);
        for (std::uint32_t x = 0; x < bitmap.width; ++x) {
            const std::uint8_t value = bitmap.pixels[std::size_t{y} * bitmap.width + x];
            const QRVX_Colour &colour = bitmap.palette != nullptr ? bitmap.palette[value]
                                        : value != 0              ? options.foreground
                                                                  : options.background;
            FUZZ_CHECK(row[3 * x] == std::uint8_t(colour.red >> shift));
            FUZZ_CHECK(row[3 * x + 1] == std::uint8_t(colour.green >> shift));
            FUZZ_CHECK(row[3 * x + 2] == std::uint8_t(colour.blue >> shift));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = "/tmp/qrvx-png-fuzzer-" + std::to_string(getpid()) + ".png";
    FuzzInput input(data, size);
    const QRVX_Graphic graphic = input.graphic();
    const std::uint32_t shade = input.control() * 0x01010101u;
    const QRVX_PNGOptions options{{shade, 0x1FF, 0x80}, {0, shade >> 1, 0xFFFFFF00u}, "fuzz"};
    QRVX_Bitmap bitmap;
    const int decoded = QRVX_parse(&graphic, &bitmap);
    std::remove(path.c_str());
    const int result = QRVX_convertToPNG(&graphic, &options, path.c_str());
    if (decoded != 0) {
        FUZZ_CHECK(result == decoded && !std::filesystem::exists(path)); // no file touched
    } else if (bitmap.width == 0 || bitmap.height == 0) {
        FUZZ_CHECK(result == -EIO || result == 0);
    } else {
        FUZZ_CHECK(result == 0);
        checkImage(path, bitmap, options);
    }
    QRVX_free(&bitmap);
    return 0;
}
