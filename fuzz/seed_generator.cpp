// Writes the seed corpora: valid graphics of every colour system and raster, with and without
// scroll markers and route-number keys, framed for each fuzz target; with a folder of sample
// graphics, those too (and their route numbers paired with their reserved areas).
// Usage: qrvx_seed_generator OUTPUT_DIR [SAMPLES_DIR]
#include "support/png_picture.hpp"

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes block(const std::string &text) {
    char header[4];
    std::snprintf(header, sizeof header, "*%02X", static_cast<unsigned>(text.size()));
    Bytes out(header, header + 3);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back('*');
    return out;
}

// A small sign picture: a few columns of a digit-like pattern, then blank columns.
Bytes pixels(std::size_t count, std::uint8_t seed) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = i % 5 == 4 ? 0 : static_cast<std::uint8_t>((0x3C ^ (i * 0x45)) + seed);
    }
    return out;
}

std::vector<Bytes> graphics() {
    const std::vector<std::string> geometry = {"VE8", "VE16", "VE10", "HE8", "HE16", "HE12", ""};
    const std::vector<std::string> colour = {"", ",CS1", ",CS2,PA255,PB65280,PC16711680,PD-1"};
    const std::vector<std::string> route = {
        "", ",RL2", ",RR3", ",@RP1/4/1", ",@RP2/2/0,RL1", ",RL 1,FG3,SC7,IT1,OC2,RF5"};
    std::vector<Bytes> out;
    std::uint8_t seed = 0;
    for (const auto &g : geometry) {
        for (const auto &c : colour) {
            for (const auto &r : route) {
                std::string text = g + c + r;
                if (!text.empty() && text.front() == ',') {
                    text.erase(0, 1);
                }
                Bytes graphic = block(text);
                if (seed % 3 == 1) {
                    graphic.push_back('U');
                    graphic.push_back(seed % 2);
                }
                const Bytes data = pixels(8 + seed % 24, seed);
                graphic.insert(graphic.end(), data.begin(), data.end());
                out.push_back(graphic);
                ++seed;
            }
        }
    }
    out.push_back(pixels(12, 1)); // no parameter block at all
    return out;
}

void write(const std::filesystem::path &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes withControl(Bytes bytes, std::uint8_t control) {
    bytes.push_back(control);
    return bytes;
}

Bytes programInput(const Bytes &target, const Bytes &source) {
    Bytes out{static_cast<std::uint8_t>(target.size()),
              static_cast<std::uint8_t>(target.size() >> 8)};
    out.insert(out.end(), target.begin(), target.end());
    out.insert(out.end(), source.begin(), source.end());
    return out;
}

Bytes trieInput() {
    Bytes out;
    for (const std::string record : {"CS", "@RP", "ZJSON", "AB", "CS2", "@RP1/2/3", "ZJ", "ABC"}) {
        out.push_back(static_cast<std::uint8_t>(record.size()));
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

// An 11 x 9 diagonal pattern in colourType and bitDepth, with a palette whose first entry is
// transparent where the type has one.
Bytes patternPng(int colourType, int bitDepth, bool interlaced) {
    qrvx::test::PngPicture picture;
    picture.width = 11;
    picture.height = 9;
    picture.colourType = colourType;
    picture.bitDepth = bitDepth;
    picture.interlaced = interlaced;
    const std::size_t channels = colourType == PNG_COLOR_TYPE_RGB_ALPHA    ? 4
                                 : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                 : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                           : 1;
    const std::size_t rowBytes =
        (picture.width * channels * static_cast<std::size_t>(bitDepth) + 7) / 8;
    for (std::size_t y = 0; y < picture.height; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i) {
            picture.rows.push_back(
                (i + y) % 3 == 0 ? 0 : static_cast<std::uint8_t>(0x55 * ((i + y) % 4)));
        }
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        picture.palette = {{0, 0, 0}, {255, 176, 0}, {0, 0, 192}, {255, 255, 255}};
        picture.alphas = {0, 255, 255, 255};
    }
    return qrvx::test::pngBytes(picture);
}

std::vector<Bytes> pngs() {
    return {patternPng(PNG_COLOR_TYPE_GRAY, 1, false),
            patternPng(PNG_COLOR_TYPE_GRAY_ALPHA, 8, false),
            patternPng(PNG_COLOR_TYPE_PALETTE, 2, true), patternPng(PNG_COLOR_TYPE_RGB, 16, false),
            patternPng(PNG_COLOR_TYPE_RGB_ALPHA, 8, true)};
}

Bytes readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Sample graphics by name, in name order so the seeds come out the same every time.
std::vector<std::pair<std::string, Bytes>> samples(const std::filesystem::path &folder) {
    std::vector<std::filesystem::path> paths;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".qrvx") {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::pair<std::string, Bytes>> out;
    for (const auto &path : paths) {
        out.emplace_back(path.stem().string(), readFile(path));
    }
    return out;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [SAMPLES_DIR]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    std::vector<Bytes> all = graphics();
    std::vector<std::pair<std::string, Bytes>> named;
    if (argc == 3) {
        named = samples(argv[2]);
    }
    for (const auto &[name, bytes] : named) {
        all.push_back(bytes);
    }
    const std::uint8_t controls[] = {0x00, 0x01, 0x0F, 0x1E, 0x2B, 0x3F};
    for (const char *target : {"sections", "parse", "extract", "route", "mark", "png"}) {
        std::filesystem::create_directories(root / target);
        for (std::size_t i = 0; i < all.size(); ++i) {
            write(root / target / ("seed-" + std::to_string(i)),
                  withControl(all[i], controls[i % std::size(controls)]));
        }
    }
    std::filesystem::create_directories(root / "program");
    for (std::size_t i = 0; i + 1 < all.size(); i += 2) {
        write(root / "program" / ("seed-" + std::to_string(i)),
              withControl(programInput(all[i], all[i + 1]), controls[i % std::size(controls)]));
    }
    // Every reserved area of the samples with every route number of theirs.
    for (const auto &[targetName, target] : named) {
        for (const auto &[sourceName, source] : named) {
            if (targetName.find("destination") != std::string::npos &&
                sourceName.find("route") != std::string::npos) {
                write(root / "program" / (targetName + "+" + sourceName),
                      withControl(programInput(target, source), 0x00));
            }
        }
    }
    std::filesystem::create_directories(root / "encode");
    const std::vector<Bytes> images = pngs();
    for (std::size_t i = 0; i < images.size() * std::size(controls); ++i) {
        write(root / "encode" / ("seed-" + std::to_string(i)),
              withControl(images[i % images.size()], controls[i % std::size(controls)]));
    }
    std::filesystem::create_directories(root / "trie");
    write(root / "trie" / "seed-0", withControl(trieInput(), 0x08));
    return 0;
}
