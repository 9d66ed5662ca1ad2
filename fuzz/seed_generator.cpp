// Writes the seed corpora: graphics of every colour system and raster, with and without scroll
// markers and route-number keys, hostile values, lower-case length digits and every prefix of a
// few of them, framed for each fuzz target; with a folder of sample graphics, those too; with font
// files, text signs in each of them.
// Usage: qrvx_seed_generator OUTPUT_DIR [SAMPLES_DIR [FONT_FILE...]]
#include "support/png_picture.hpp"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes graphic(std::string text, std::size_t index) {
    text.erase(0, text.starts_with(",") ? 1 : 0);
    char header[4];
    std::snprintf(header, sizeof header, index % 4 == 3 ? "*%02x" : "*%02X",
                  static_cast<unsigned>(text.size()));
    Bytes out(header, header + 3);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back('*');
    if (index % 3 == 1) {
        out.insert(out.end(), {'U', static_cast<std::uint8_t>(index % 2)});
    }
    // A few columns of a digit-like pattern, then a blank one.
    for (std::size_t i = 0; i < 8 + index % 24; ++i) {
        out.push_back(i % 5 == 4 ? 0 : static_cast<std::uint8_t>((0x3C ^ (i * 0x45)) + index));
    }
    return out;
}

std::vector<Bytes> graphics() {
    std::vector<Bytes> out;
    for (const char *g : {"VE8", "VE16", "VE10", "HE8", "HE16", "HE12", "", "VE-5", "HE-8"}) {
        for (const char *c : {"", ",CS1", ",CS2,PA255,PB65280,PC16711680,PD-1"}) {
            for (const char *r : {"", ",RL2", ",RR3", ",@RP1/4/1", ",@RP2/2/0,RL1",
                                  ",RL 1,FG3,SC7,IT1,OC2,RF5", ",ZJSON"}) {
                out.push_back(graphic(std::string(g) + c + r, out.size()));
            }
        }
    }
    out.insert(out.end(), {{'U', 2, 0x55}, {'U', 1}, {'U'}});
    for (std::size_t whole = 0, count = out.size(); whole < count; whole += 19) {
        for (std::size_t length = 0; length < out[whole].size(); ++length) {
            out.emplace_back(out[whole].begin(), out[whole].begin() + length);
        }
    }
    return out;
}

Bytes programInput(const Bytes &target, const Bytes &source) {
    Bytes out{static_cast<std::uint8_t>(target.size()),
              static_cast<std::uint8_t>(target.size() >> 8)};
    out.insert(out.end(), target.begin(), target.end());
    out.insert(out.end(), source.begin(), source.end());
    return out;
}

// An 11 x 9 diagonal pattern of samples, with a palette whose first entry is transparent.
Bytes patternPng(int colourType, int channels, int bitDepth, bool interlaced) {
    qrvx::test::PngPicture picture{11, 9, colourType, bitDepth, {}, {}, {}, {}, interlaced};
    const std::size_t rowBytes = (11 * std::size_t(channels * bitDepth) + 7) / 8;
    for (std::size_t i = 0; i < 9 * rowBytes; ++i) {
        const std::size_t d = i % rowBytes + i / rowBytes;
        picture.rows.push_back(d % 3 == 0 ? 0 : static_cast<std::uint8_t>(0x55 * (d % 4)));
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        picture.palette = {{0, 0, 0}, {255, 176, 0}, {0, 0, 192}, {255, 255, 255}};
        picture.alphas = {0, 255, 255, 255};
    }
    return qrvx::test::pngBytes(picture);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [SAMPLES_DIR [FONT_FILE...]]\n", argv[0]);
        return 2;
    }
    std::size_t written = 0;
    const auto write = [&](const char *target, Bytes bytes, std::uint8_t control) {
        const fs::path folder = fs::path(argv[1]) / target;
        fs::create_directories(folder);
        bytes.push_back(control);
        std::ofstream(folder / ("seed-" + std::to_string(written++)), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    std::vector<Bytes> all = graphics();
    // The sample graphics, in name order so the seeds come out the same every time.
    std::set<fs::path> samples;
    for (const auto &entry :
         argc >= 3 ? fs::directory_iterator(argv[2]) : fs::directory_iterator()) {
        if (entry.path().extension() == ".qrvx") {
            samples.insert(entry.path());
        }
    }
    for (const fs::path &sample : samples) {
        std::ifstream file(sample, std::ios::binary);
        all.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    const std::uint8_t controls[] = {0x00, 0x01, 0x0F, 0x1E, 0x2B, 0x3F};
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (const char *target : {"sections", "parse", "extract", "route", "mark", "png"}) {
            write(target, all[i], controls[i % 6]);
        }
        if (i % 2 == 0 && i + 1 < all.size()) {
            write("program", programInput(all[i], all[i + 1]), controls[i % 6]);
        }
    }
    // Every way a route number is spliced in: sides, planes, odd lengths, markers, rasters.
    for (const auto &[target, source] : {std::pair{"RL", "@RP1/2/0"},
                                         {"RR", "@RP1/2/0"},
                                         {"RR", "@RP1/2/1"},
                                         {"@RP0/0/1,RL", "@RP1/2/0"},
                                         {"RL", "@RP1/8/0"},
                                         {"CS1,RR", "CS1,@RP1/1/1"},
                                         {"CS1,RL", "CS1,@RP1/3/0"},
                                         {"HE8,RR", "HE16,@RP1/1/0"}}) {
        for (const std::size_t index : {0, 1, 5}) {
            write("program", programInput(graphic(target, index), graphic(source, index + 1)), 0);
        }
    }
    const Bytes images[] = {patternPng(PNG_COLOR_TYPE_GRAY, 1, 1, false),
                            patternPng(PNG_COLOR_TYPE_GRAY_ALPHA, 2, 8, false),
                            patternPng(PNG_COLOR_TYPE_PALETTE, 1, 2, true),
                            patternPng(PNG_COLOR_TYPE_RGB, 3, 16, false),
                            patternPng(PNG_COLOR_TYPE_RGB_ALPHA, 4, 8, true)};
    for (std::size_t i = 0; i < std::size(images) * std::size(controls); ++i) {
        write("encode", images[i % std::size(images)], controls[i % std::size(controls)]);
    }
    // Text signs: options (width, height, margins, spacing, lines and parts, reserve and gap,
    // pixel size, -), the text's length, the text, the font.
    const Bytes layouts[] = {{0, 15, 0x41, 0x0F, 0x00, 0x00, 0, 0},
                             {60, 15, 0x91, 0xC9, 0x2D, 0x34, 0, 0},
                             {24, 15, 0x01, 0x3F, 0x74, 0x28, 0, 0}};
    const std::string texts[] = {"HAUPTBAHNHOF NORD", "Zentrum|\xC3\x9C ber 12",
                                 "Hbf|Ost|S\xC3\xBC"};
    for (int i = 3; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        const Bytes font{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        for (std::size_t j = 0; j < std::size(layouts) * std::size(texts); ++j) {
            Bytes seed = layouts[j % std::size(layouts)];
            const std::string &text = texts[j / std::size(layouts)];
            seed.push_back(static_cast<std::uint8_t>(text.size()));
            seed.insert(seed.end(), text.begin(), text.end());
            seed.insert(seed.end(), font.begin(), font.end());
            write("text", seed, controls[j % std::size(controls)]);
        }
    }
    return 0;
}
