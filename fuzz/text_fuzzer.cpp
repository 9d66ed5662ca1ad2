// Signs from text: arbitrary bytes as a font and as text, under layout options taken from the
// input. Nothing is drawn outside the sign or into its reserve, every value is a colour, every
// refusal is one of the documented ones, a sign made under Overflow::refuse has nothing cut (no
// warning, no clipped line), letters and lines keep their blank column and row, and a sign's
// graphic decodes to its values.
//   payload: 8 option bytes (see layoutOf; byte 6 the font's pixel size, 0 none), a text length,
//   the text (lines split at '|', the short wording after '#'), then the font; a small table of
//   abbreviations applies to any text;
//   control bit 1: the built-in sign-7-narrow follows the fuzzed font in every font list;
//   control bits 4-5: the colour system of the graphic (3 reads as 0).
#include "fuzz_input.hpp"
#include "qrvx_text.hpp"

namespace {

using namespace qrvx::text;
using qrvx::fuzz::FuzzInput;

constexpr std::size_t optionBytes = 8;

std::optional<std::uint32_t> optional3Bits(unsigned value) {
    return value == 7 ? std::nullopt : std::optional<std::uint32_t>(value);
}

// Up to `most` lines of text split at '|'.
std::vector<std::string_view> linesOf(std::string_view text, std::size_t most) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; lines.size() < most && at <= text.size();) {
        const std::size_t end = std::min(text.find('|', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

const Abbreviations &abbreviations() {
    static const std::vector<Abbreviation> entries{{"-aa", "-a"}, {"HH", "H."}, {"I I", "I"}};
    static const Abbreviations table = *Abbreviations::make(entries);
    return table;
}

Layout layoutOf(std::span<const std::uint8_t> o, std::string_view text,
                const std::vector<Font> &fonts) {
    Layout layout;
    const std::size_t hash = text.find('#');
    for (const std::string_view line : linesOf(text.substr(0, hash), 1u + o[4] % 4)) {
        layout.lines.push_back({line, fonts, static_cast<std::uint8_t>(layout.lines.size() + 1),
                                static_cast<Align>((o[3] >> 6) % 3)});
    }
    if (hash != text.npos) {
        layout.shortLines = linesOf(text.substr(hash + 1), 1u + o[7] % 4);
    }
    layout.abbreviations = abbreviations();
    layout.width = o[0] == 0 ? std::nullopt : std::optional<std::uint32_t>(o[0]);
    layout.height = 1u + o[1] % 32;
    layout.marginX = o[2] & 3u;
    layout.marginY = o[2] >> 2 & 3u;
    layout.lineGap = o[2] >> 4 & 3u;
    layout.verticalAlign = static_cast<VerticalAlign>((o[2] >> 6) % 3);
    layout.spacing = optional3Bits(o[3] & 7u);
    layout.spaceWidth = optional3Bits(o[3] >> 3 & 7u);
    layout.overflow = (o[4] & 4) != 0 ? Overflow::clip : Overflow::refuse;
    if ((o[4] & 8) != 0) {
        layout.route = RouteOptions{"12", fonts, 3, (o[4] & 16) != 0 ? Side::end : Side::start,
                                    std::uint32_t{o[5]} >> 4};
    }
    if ((o[4] & 32) != 0) {
        layout.reserve = Reserve{(o[4] & 64) != 0 ? Side::end : Side::start, o[5] & 15u};
    }
    return layout;
}

bool documented(std::error_code error) {
    return error.category() == errorCategory() || error == std::errc::not_enough_memory;
}

void checkSign(const Sign &sign, Overflow overflow, const FuzzInput &input) {
    FUZZ_CHECK(sign.values.size() == std::size_t{sign.width} * sign.height);
    const std::uint32_t reserved = sign.reserve ? sign.reserve->columns : 0;
    const std::uint32_t reserveBegin =
        sign.reserve && sign.reserve->side == Side::start ? 0 : sign.width - reserved;
    for (std::size_t i = 0; i < sign.values.size(); ++i) {
        const std::size_t x = i % sign.width;
        FUZZ_CHECK(sign.values[i] <= 3);
        FUZZ_CHECK(sign.values[i] == 0 || x < reserveBegin || x >= reserveBegin + reserved);
    }
    const bool cutAllowed = overflow == Overflow::clip;
    for (const LineReport &line : sign.report.lines) {
        FUZZ_CHECK(line.width <= line.available);
        FUZZ_CHECK(cutAllowed || line.steps.empty() || line.steps.back() != FitStep::clipped);
        FUZZ_CHECK(line.letterGap.value_or(1) >= 1);
        FUZZ_CHECK(line.blankRowsBelow.value_or(1) >= 1);
    }
    FUZZ_CHECK(cutAllowed || sign.report.warnings.empty());
    qrvx::author::Options options;
    options.colourSystem = (input.control() >> 4 & 3) % 3;
    const auto graphic = encode(sign, options);
    if (!graphic) {
        FUZZ_CHECK(graphic.error() == qrvx::author::Errc::pixelsLikeScrollMarker);
        return;
    }
    const auto bitmap = qrvx::Bitmap::decode(qrvx::Graphic{*graphic});
    FUZZ_CHECK(bitmap && bitmap->pixels().size() == sign.values.size());
    for (std::size_t i = 0; i < sign.values.size(); ++i) {
        const std::uint8_t value =
            options.colourSystem == 0 && sign.values[i] != 0 ? 1 : sign.values[i];
        FUZZ_CHECK(bitmap->pixels()[i] == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::span<const std::uint8_t> payload = input.payload();
    if (payload.size() <= optionBytes) {
        return 0;
    }
    const auto options = payload.first(optionBytes);
    const std::size_t textLength =
        std::min<std::size_t>(payload[optionBytes], payload.size() - optionBytes - 1);
    const auto textBytes = payload.subspan(optionBytes + 1, textLength);
    const std::string_view text(reinterpret_cast<const char *>(textBytes.data()), textBytes.size());
    const auto fontBytes = payload.subspan(optionBytes + 1 + textLength);

    std::vector<Font> fonts;
    const auto pixelSize =
        options[6] == 0 ? std::nullopt : std::optional<std::uint32_t>(options[6]);
    const auto font = Font::fromMemory(fontBytes, "fuzz", pixelSize);
    if (font) {
        FUZZ_CHECK(font->glyphCount() <= 70'000);
        fonts.push_back(*font);
    } else {
        FUZZ_CHECK(documented(font.error()));
    }
    if (input.option(0) || fonts.empty()) {
        fonts.push_back(*Font::load("sign-7-narrow"));
    }
    const Layout layout = layoutOf(options, text, fonts);
    const auto sign = compose(layout);
    if (!sign) {
        FUZZ_CHECK(documented(sign.error()));
        return 0;
    }
    checkSign(*sign, layout.overflow, input);
    return 0;
}
