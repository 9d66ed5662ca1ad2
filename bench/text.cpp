// A typical text sign (two lines on 128 x 16 in the faces of its height, loaded once) made and
// encoded, beside the PNG export of the same graphic, with the number of candidates fitting
// measured; a lone line that fitting breaks; and what loading a font costs, the first time and
// after.
#include "registration.hpp"

#include "qrvx.h"
#include "qrvx_text.hpp"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

namespace qrvx::bench {
namespace {

text::Layout typicalSign(const std::vector<text::Font> &fonts) {
    text::Layout layout;
    layout.lines = {{"Hauptbahnhof", fonts}, {"über Marktplatz", fonts}};
    layout.width = 128;
    return layout;
}

// One line that takes two of the smaller face, broken where a sign maker breaks it.
text::Layout brokenSign(const std::vector<text::Font> &fonts) {
    text::Layout layout;
    layout.lines = {{"Église Sainte-Élisabeth via Bouchette", fonts}};
    layout.width = 128;
    return layout;
}

std::optional<author::Bytes> typicalGraphic(const std::vector<text::Font> &fonts) {
    const auto sign = text::compose(typicalSign(fonts));
    auto graphic = sign ? text::encode(*sign, {}) : Result<author::Bytes>(sign.error());
    return graphic ? std::optional(std::move(*graphic)) : std::nullopt;
}

std::vector<text::Font> builtInFonts() {
    std::vector<text::Font> fonts;
    for (const std::string_view name : text::defaultFontNames(16)) {
        const auto font = text::Font::load(name);
        if (!font) {
            return {};
        }
        fonts.push_back(*font);
    }
    return fonts;
}

void composeAndEncode(benchmark::State &state,
                      text::Layout (*sign)(const std::vector<text::Font> &)) {
    const std::vector<text::Font> fonts = builtInFonts();
    const text::Layout layout = sign(fonts);
    const auto first = text::compose(layout);
    if (fonts.empty() || !first) {
        state.SkipWithError("the sign cannot be made");
        return;
    }
    for (auto _ : state) {
        const auto made = text::compose(layout);
        benchmark::DoNotOptimize(text::encode(*made, {}));
    }
    state.counters["candidates"] = first->report.candidatesMeasured;
}

void exportTypical(benchmark::State &state) {
    std::optional<author::Bytes> bytes = typicalGraphic(builtInFonts());
    if (!bytes) {
        state.SkipWithError("the typical sign cannot be made");
        return;
    }
    const QRVX_Graphic graphic{bytes->data(), static_cast<std::uint32_t>(bytes->size()), 0, 0};
    const QRVX_PNGOptions options{{255, 176, 0}, {0, 0, 0}, "bench"};
    const std::string path = scratch().file("text.png");
    for (auto _ : state) {
        removeUntimed(state, path);
        if (QRVX_convertToPNG(&graphic, &options, path.c_str()) != 0) {
            state.SkipWithError("QRVX_convertToPNG failed");
            break;
        }
    }
}

// A built-in font is read once a process: every later load shares it.
void loadBuiltIn(benchmark::State &state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(text::Font::load("sign-7"));
    }
}

// What that first read costs: the same BDF through FreeType, every glyph rendered.
void readFont(benchmark::State &state) {
    std::ifstream file(QRVX_FONT_DIR "/sign-7.bdf", std::ios::binary);
    const author::Bytes bytes{std::istreambuf_iterator<char>(file), {}};
    for (auto _ : state) {
        if (!text::Font::fromMemory(bytes, "sign-7")) {
            state.SkipWithError("sign-7.bdf cannot be read");
            break;
        }
    }
}

} // namespace

const char *const textSignName = "text/compose_encode_128x16";
const char *const brokenSignName = "text/compose_encode_broken_128x16";
const char *const textSignExportName = "text/png_export_128x16";
const char *const builtInFontName = "text/load_built_in_font";
const char *const fontReadName = "text/read_font_sign-7";

void registerText() {
    const auto add = [](const char *name, auto function) {
        benchmark::RegisterBenchmark(name, function)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(minimumTime);
    };
    add(textSignName, [](benchmark::State &state) { composeAndEncode(state, typicalSign); });
    add(brokenSignName, [](benchmark::State &state) { composeAndEncode(state, brokenSign); });
    add(textSignExportName, exportTypical);
    add(builtInFontName, loadBuiltIn);
    add(fontReadName, readFont);
}

} // namespace qrvx::bench
