// The C++ face (the command-line tool's tests drive the rest of it): owners that release, results
// as std::error_code, views that borrow the caller's buffer.
#include "support/graphic_builder.hpp"

#include "qrvx.hpp"

#include <gtest/gtest.h>

namespace {

using namespace qrvx;
using namespace qrvx::test;

static_assert(!std::is_copy_constructible_v<Bitmap> &&
              std::is_nothrow_move_constructible_v<Bitmap>);
static_assert(!std::is_copy_constructible_v<ProgrammedGraphic>);

TEST(CppApi, OwnersAndErrors) {
    ByteVector bytes = makeGraphic({"VE8,CS1,PA255", 1, {0x01, 0x03}});
    Bitmap bitmap = Bitmap::decode({bytes}).value();
    EXPECT_TRUE(bitmap.width() == 1 && bitmap.height() == 8 && bitmap.scrollMode() == 1);
    EXPECT_TRUE(bitmap.pixels().size() == 8 && bitmap.row(0)[0] == 3 && bitmap.row(1)[0] == 1);
    EXPECT_TRUE(bitmap.palette().size() == 4 && bitmap.palette()[0].red == 0xFFFFFFFFu);
    const Bitmap moved = std::move(bitmap);
    EXPECT_EQ(moved.height(), 8u);
    EXPECT_TRUE(bitmap.pixels().empty()); // NOLINT(bugprone-use-after-move): moved-from is empty

    ByteVector invalid = makeGraphic({"VE8,ZJSON", {}, {1}});
    EXPECT_EQ(Bitmap::decode({invalid}).error(), std::errc::invalid_argument);
    EXPECT_THROW(Bitmap::decode({invalid}).value(), std::system_error);
    EXPECT_EQ(parameters(invalid).error(), std::errc::invalid_argument);
    ByteVector horizontal = makeGraphic({"HE8", {}, {1}});
    EXPECT_EQ(extractImage({horizontal}).error(), std::errc::operation_not_supported);
    EXPECT_EQ(writePng({horizontal}, "/nonexistent-qrvx-dir/out.png", PngOptions{}),
              std::errc::no_such_file_or_directory);
}

TEST(CppApi, ViewsBorrowTheCallersBuffer) {
    ByteVector bytes = makeGraphic({"VE8,RL2", 0, {0, 0, 0x3C, 0x42, 0, 7}});
    const SectionsView s = sections(bytes).value();
    EXPECT_TRUE(s.parameterBlock.data() == bytes.data() && s.parameterBlock.size() == 11);
    EXPECT_TRUE(s.scrollMarker.size() == 2 && s.scrollMode == 2);
    EXPECT_EQ(s.pixelData.data(), bytes.data() + 13);
    const ImageView image = extractImage({bytes}, {1, 1, 1}).value();
    EXPECT_EQ(image.data.data(), bytes.data() + 15); // after the two route columns
    EXPECT_TRUE(image.columnCount == 4 && image.secondPlane.empty());

    ByteVector source = makeGraphic({"@RP2/2/1", {}, {9, 9, 7, 8}});
    const ProgrammedGraphic programmed = programRouteNumber({bytes}, {source}).value();
    const ByteSpan result = programmed.bytes();
    EXPECT_EQ(ByteVector(result.end() - 6, result.end()), (ByteVector{7, 8, 0x3C, 0x42, 0, 7}));
    EXPECT_EQ(describeRouteNumber({result}).value().planes[0].data,
              result.data() + result.size() - 2);
    EXPECT_EQ(programRouteNumber({result}, {source}).error(), std::errc::file_exists);
    EXPECT_EQ(markRouteNumberProgrammed(bytes).value(), bytes.size() - 4);
    EXPECT_EQ(markRouteNumberProgrammed(bytes).error(), std::errc::no_such_file_or_directory);
}

} // namespace

// A span of 4 GiB or more over a small graphic: read as its low 32 bits it would be that graphic,
// so every entry point must refuse it before the C call reads a byte.
TEST(CppApi, SpansPast32BitsAreRefused) {
    if (sizeof(std::size_t) <= 4) {
        GTEST_SKIP() << "spans stay below 4 GiB here";
    }
    ByteVector bytes = makeGraphic({"VE8,RL2", 0, {0, 0, 0x3C, 0x42, 0, 7}});
    const std::span<std::uint8_t> huge(
        bytes.data(), static_cast<std::size_t>((std::uint64_t{1} << 32) + bytes.size()));
    const Graphic graphic{huge};
    const std::pair<const char *, std::error_code> refusals[] = {
        {"sections", sections(huge).error()},
        {"parameters", parameters(huge).error()},
        {"decode", Bitmap::decode(graphic).error()},
        {"writePng", writePng(graphic, "/nonexistent-qrvx-dir/out.png")},
        {"extractImage", extractImage(graphic).error()},
        {"describeRouteNumber", describeRouteNumber(graphic).error()},
        {"programRouteNumber target", programRouteNumber(graphic, {bytes}).error()},
        {"programRouteNumber source", programRouteNumber({bytes}, graphic).error()},
        {"markRouteNumberProgrammed", markRouteNumberProgrammed(huge).error()},
    };
    for (const auto &[entry, error] : refusals) {
        EXPECT_EQ(error, std::errc::value_too_large) << entry;
    }
    EXPECT_FALSE(routeNumberProgrammable(graphic));
    EXPECT_EQ(bytes, makeGraphic({"VE8,RL2", 0, {0, 0, 0x3C, 0x42, 0, 7}})); // not marked
}
