// What the host logger is told, message by message: texts, levels, function names and line
// numbers are part of the interface. Decoding under every choice of enabled levels (the parameter
// text and the colour system at debug, bad values as errors, passed on even without a logger, the
// dimensions at verbose); PNG export's results and files; programming's refusals, where the first
// failing check decides the result and the one message; marking's old and new parameters. Other
// operations than decoding are shown without each parameter block's own text.
#include "support/suite.hpp"
#include "support/temp_dir.hpp"

#include <algorithm>
#include <filesystem>
#include <random>

namespace {

using namespace qrvx::test;

Message debug(const char *function, std::uint32_t line, const std::string &format,
              const std::string &text = {}) {
    return {debugLevel, function, line, format, text.empty() ? format : text};
}
Message parameterText(const std::string &text) {
    return debug("qrvxParseGraphicsParameters", 947, "GRAPHIC PARAM: %s", "GRAPHIC PARAM: " + text);
}
Message dimension(const std::string &size) {
    return {verboseLevel, "adjustBitmapDimension", 0, "Graphic Dimension %d x %d",
            "Graphic Dimension " + size};
}
Message incorrect(const std::string &what, const std::string &value) {
    const std::string format = "Incorrect " + what + " %s. Using Default";
    return {errorLevel, {}, 0, format, "Incorrect " + what + " " + value + ". Using Default"};
}
Message unparsed(std::uint32_t line, const std::string &what) {
    return debug("initRouteNumberProgrammer", line, "Failed(%d) to parse source graphic" + what,
                 "Failed(-22) to parse source graphic" + what);
}
Message refused(std::uint32_t line, const std::string &format, const std::string &text = {}) {
    return debug("programRouteNumber", line, format, text);
}
Message converter(std::uint32_t line, const std::string &format, const std::string &text = {}) {
    return debug("QRVX_convertToPNG", line, format, text);
}
Message bitmapSize(const std::string &size) {
    return converter(2245, "Bitmap Dimension %d x %d", "Bitmap Dimension " + size);
}
Message libpng(const std::string &text) {
    return debug("qrvxPrintPNGDebugMessage", 1910, "[libpng] %s", "[libpng] " + text);
}
Message marked(const char *format, const std::string &text) {
    return {verboseLevel, "QRVX_markRouteNumberProgrammed", 0, format, text};
}

enum class Operation { decode, png, program, mark };

// Stand-ins for what no bytes can say: a graphic that cannot be read (null data of length 5),
// and a null pointer.
const GraphicParts unreadable{"(unreadable)", {}, {}}, none{"(none)", {}, {}};

const QRVX_Graphic *pointer(const GraphicParts &parts, QRVX_Graphic &graphic) {
    graphic = parts.parameters == unreadable.parameters ? QRVX_Graphic{nullptr, 5, 0, 0} : graphic;
    return parts.parameters == none.parameters ? nullptr : &graphic;
}

TEST(Trace, EveryMessage) {
    const TempDir dir("qrvx_trace");
    const std::string mono = dir.file("mono.png"), missing = dir.file("missing/out.png");
    const std::string empty = dir.file("empty.png");
    ByteVector noise(64 * 1024);
    std::ranges::generate(noise, std::mt19937(12345));
    const ByteVector four{1, 2, 3, 4};
    const GraphicParts left{"RL", {}, pixelsOf(6)}, start{"@RP1/2/0", {}, pixelsOf(4)};
    const Message cs0 = debug("convertCS0Image", 550, "converting CS0 Image");
    const Message cs7 = incorrect("Colour System", "7");
    const Message writeFailed = converter(2272, "PNG write Failed");
    const char *tooSmall = "target graphic is too small to fit the route number";
    const char *shortSource = "source graphic holds fewer than %u route number bytes";
    const struct {
        Operation operation;
        std::optional<std::uint32_t> levels;
        GraphicParts graphic; // the target of programming
        int result;
        std::vector<Message> messages;
        GraphicParts source = {};
        std::string file = {};
    } cases[] = {
        // clang-format off
        {Operation::decode, std::nullopt, {"CS7", {}, four}, 0, {cs7}},
        {Operation::decode, errorLevel, {"CS7", {}, four}, 0, {cs7}},
        {Operation::decode, debugLevel, {"CS7", {}, four}, 0, {parameterText("CS7"), cs0}},
        {Operation::decode, verboseLevel, {"CS7", {}, four}, 0, {dimension("4 x 8")}},
        {Operation::decode, allLevels, {"CS7", {}, four}, 0, {parameterText("CS7"), cs7, dimension("4 x 8"), cs0}},
        {Operation::decode, 0, {"CS7", {}, four}, 0, {}},
        {Operation::decode, 0x01 | 0x04 | 0x08 | 0x40, {"CS7", {}, four}, 0, {}},
        {Operation::decode, debugLevel | verboseLevel, {"VE8,CS1", {}, four}, 0, {parameterText("VE8,CS1"), dimension("2 x 8"), debug("convertCS1Image", 648, "converting CS1 Image")}},
        {Operation::decode, debugLevel | verboseLevel, {"VE8,CS2", {}, four}, 0, {parameterText("VE8,CS2"), dimension("2 x 8"), debug("convertCS2Image", 1091, "converting Full-Colour Image")}},
        {Operation::decode, errorLevel, {"VE12x", {}, four}, 0, {incorrect("Column Size", "12x")}},
        {Operation::decode, errorLevel, {"HE1 6", {}, four}, 0, {incorrect("Row Size", "1 6")}},
        {Operation::decode, errorLevel, {"CS-1", {}, four}, 0, {incorrect("Colour System", "-1")}},
        {Operation::decode, errorLevel, {"XX1,CSS", {}, four}, 0, {incorrect("Colour System", "S")}},
        {Operation::png, debugLevel, {"HE8", {}, {0x80, 0x01}}, 0, {cs0, bitmapSize("8 x 2"), converter(2308, "Monochrome PNG"), converter(2337, "SUCCESS: %s", "SUCCESS: " + mono)}, {}, mono},
        {Operation::png, debugLevel, {"VE8", {}, {1}}, -ENOENT, {cs0, bitmapSize("1 x 8"), converter(2350, "Unable to open %s", "Unable to open " + missing)}, {}, missing},
        // No pixel data: libpng refuses the empty image.
        {Operation::png, debugLevel, {"VE8", {}, {}}, -EIO, {cs0, bitmapSize("0 x 8"), libpng("Image width is zero in IHDR"), libpng("Invalid IHDR data"), writeFailed}, {}, empty},
        // A small image fails only when the stream is flushed, a large one inside libpng.
        {Operation::png, debugLevel, {"VE8", {}, {0x01}}, -EIO, {cs0, bitmapSize("1 x 8"), converter(2308, "Monochrome PNG"), writeFailed}, {}, "/dev/full"},
        {Operation::png, debugLevel, {"VE8", {}, noise}, -EIO, {cs0, bitmapSize("65536 x 8"), converter(2308, "Monochrome PNG"), libpng("Write Error"), writeFailed}, {}, "/dev/full"},
        {Operation::program, debugLevel, left, -EINVAL, {unparsed(1287, "")}, unreadable},
        {Operation::program, debugLevel, left, -EINVAL, {unparsed(1295, " parameters")}, {"@RP1/2/0,ZJSON", {}, pixelsOf(4)}},
        {Operation::program, debugLevel, unreadable, -EINVAL, {unparsed(1304, "")}, start},
        {Operation::program, debugLevel, {"RL,ZJSON", {}, pixelsOf(6)}, -EINVAL, {unparsed(1312, " parameters")}, start},
        {Operation::program, debugLevel, {"HE8,@RP1/3/0", {}, pixelsOf(6)}, -EOPNOTSUPP, {refused(1387, "Graphic raster direction mismatch. currently not supported")}, start},
        {Operation::program, debugLevel, {"CS1,@RP1/3/0", {}, pixelsOf(6)}, -EOPNOTSUPP, {refused(1393, "Graphic colour system mismatch. currently not supported")}, start},
        {Operation::program, debugLevel, {"@RP1/3/0", {}, pixelsOf(6)}, -EEXIST, {refused(1399, "Target Graphic has route number already.")}, start},
        {Operation::program, debugLevel, {{}, {}, pixelsOf(6)}, -EOPNOTSUPP, {refused(1407, "Target Graphic is not programmable.")}, start},
        {Operation::program, debugLevel, left, -ENODATA, {refused(1415, "Route Number Information not available in source")}, {"@RP1/2", {}, pixelsOf(4)}},
        {Operation::program, debugLevel, left, -EINVAL, {refused(0, shortSource, "source graphic holds fewer than 5 route number bytes")}, {"@RP1/5/1", {}, pixelsOf(4)}},
        {Operation::program, debugLevel, {"CS1,RL", {}, pixelsOf(8)}, -EINVAL, {refused(0, shortSource, "source graphic holds fewer than 3 route number bytes")}, {"CS1,@RP1/3/0", {}, pixelsOf(5)}},
        {Operation::program, debugLevel, {"RL", {}, {1}}, -E2BIG, {refused(1454, tooSmall)}, start},
        {Operation::program, debugLevel, {"CS1,RL", 1, pixelsOf(3)}, -E2BIG, {refused(1485, tooSmall)}, {"CS1,@RP1/2/0", {}, pixelsOf(4)}},
        {Operation::program, debugLevel, left, 0, {}, start},
        {Operation::program, debugLevel, left, 0, {}, none},
        {Operation::program, debugLevel, none, -EINVAL, {}, start},
        {Operation::mark, allLevels, {"RL1, VE16", {}, {1}}, 0, {marked("GRAPHIC Params: %s", "GRAPHIC Params: *09RL1, VE16*"), marked("New Params: %s", "New Params: *04VE16*")}},
        // clang-format on
    };
    const QRVX_PNGOptions options{{255, 255, 255}, {0, 0, 0}, "qrvx"};
    int row = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(++row);
        ByteVector bytes = makeGraphic(c.graphic), source = makeGraphic(c.source);
        QRVX_Graphic g = graphicOf(bytes), s = graphicOf(source);
        const TraceCapture capture(c.levels);
        int result = 0;
        if (c.operation == Operation::decode) {
            QRVX_Bitmap bitmap;
            result = QRVX_parse(&g, &bitmap);
            QRVX_free(&bitmap);
        } else if (c.operation == Operation::png) {
            result = QRVX_convertToPNG(&g, &options, c.file.c_str());
        } else if (c.operation == Operation::program) {
            uint8_t *data = nullptr;
            uint32_t length = 0;
            result = QRVX_programRouteNumber(pointer(c.graphic, g), pointer(c.source, s), &data,
                                             &length);
            std::free(data);
        } else {
            result = QRVX_markRouteNumberProgrammed(&g);
        }
        std::vector<Message> messages = capture.messages();
        std::erase_if(messages, [&](const Message &m) {
            return c.operation != Operation::decode && m.function == "qrvxParseGraphicsParameters";
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(messages, c.messages);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

} // namespace
