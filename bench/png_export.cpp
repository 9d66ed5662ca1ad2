// PNG export beside its floor: the same RGB rows written by a plain libpng program in the same
// way (default compression and filtering, a row at a time, a "Title" text chunk, a stdio file).
// What export costs above the floor is the library's own share.
#include "registration.hpp"
#include "support/temp_dir.hpp"
#include "workloads.hpp"

#include "qrvx.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qrvx::bench {
namespace {

constexpr QRVX_PNGOptions options{{255, 160, 0}, {0, 0, 32}, "bench"};

struct RgbImage {
    std::uint32_t width = 0, height = 0;
    std::vector<png_byte> bytes; // rows of 3 x width bytes
};

png_byte lowByte(std::uint32_t word) {
    return static_cast<png_byte>(word & 0xFFu);
}

// The rows the export writes for a monochrome graphic, made without timing them.
bool expandRows(const Workload &workload, RgbImage &image) {
    test::ByteVector bytes = graphicBytes(workload);
    const QRVX_Graphic graphic = test::graphicOf(bytes);
    QRVX_Bitmap bitmap;
    const bool decoded = QRVX_parse(&graphic, &bitmap) == 0 && bitmap.palette == nullptr;
    if (decoded) {
        image.width = bitmap.width;
        image.height = bitmap.height;
        image.bytes.reserve(std::size_t{3} * bitmap.width * bitmap.height);
        for (std::size_t i = 0; i < std::size_t{bitmap.width} * bitmap.height; ++i) {
            const QRVX_Colour &c = bitmap.pixels[i] != 0 ? options.foreground : options.background;
            image.bytes.insert(image.bytes.end(),
                               {lowByte(c.red), lowByte(c.green), lowByte(c.blue)});
        }
    }
    QRVX_free(&bitmap);
    return decoded;
}

// Only plain data lives in this frame: libpng's errors leave it through longjmp.
bool writeRows(png_structp png, png_infop info, std::FILE *stream, const RgbImage &image) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_init_io(png, stream);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text title{};
    title.compression = PNG_TEXT_COMPRESSION_NONE;
    title.key = const_cast<png_charp>("Title");
    title.text = const_cast<png_charp>(options.title);
    png_set_text(png, info, &title, 1);
    png_write_info(png, info);
    const png_byte *row = image.bytes.data();
    for (std::uint32_t y = 0; y < image.height; ++y, row += std::size_t{3} * image.width) {
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

bool writePlainPng(const std::string &path, const RgbImage &image) {
    std::FILE *stream = std::fopen(path.c_str(), "wb");
    if (stream == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && writeRows(png, info, stream, image);
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fflush(stream) == 0 && std::ferror(stream) == 0;
    return std::fclose(stream) == 0 && closed && written;
}

std::vector<char> contentsOf(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void exportPng(benchmark::State &state, const Workload &workload) {
    test::ByteVector bytes = graphicBytes(workload);
    const QRVX_Graphic graphic = test::graphicOf(bytes);
    const std::string path = scratch().file("export.png");
    for (auto _ : state) {
        removeUntimed(state, path);
        if (QRVX_convertToPNG(&graphic, &options, path.c_str()) != 0) {
            state.SkipWithError("QRVX_convertToPNG failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(workload.pixels()));
}

// Checked once to write the very file the export writes, so both do the same work.
void plainPng(benchmark::State &state, const Workload &workload) {
    RgbImage image;
    test::ByteVector bytes = graphicBytes(workload);
    const QRVX_Graphic graphic = test::graphicOf(bytes);
    const std::string exported = scratch().file("reference.png");
    const std::string path = scratch().file("floor.png");
    if (!expandRows(workload, image) ||
        QRVX_convertToPNG(&graphic, &options, exported.c_str()) != 0 ||
        !writePlainPng(path, image) || contentsOf(path) != contentsOf(exported)) {
        state.SkipWithError("the plain writer does not write the export's file");
        return;
    }
    for (auto _ : state) {
        removeUntimed(state, path);
        if (!writePlainPng(path, image)) {
            state.SkipWithError("libpng failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(workload.pixels()));
}

} // namespace

const test::TempDir &scratch() {
    static const test::TempDir directory("qrvx_bench");
    return directory;
}

void removeUntimed(benchmark::State &state, const std::string &path) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
}

std::string exportName(const Workload &workload) {
    return std::string("png_export/") + workload.name;
}

std::string floorName(const Workload &workload) {
    return std::string("png_floor/") + workload.name;
}

void registerExport() {
    for (const Workload &workload : exportWorkloads) {
        benchmark::RegisterBenchmark(exportName(workload).c_str(), exportPng, workload)
            ->Unit(timeUnitFor(workload))
            ->MinTime(minimumTime);
        benchmark::RegisterBenchmark(floorName(workload).c_str(), plainPng, workload)
            ->Unit(timeUnitFor(workload))
            ->MinTime(minimumTime);
    }
}

} // namespace qrvx::bench
