// The C++ face: values and std::error_code instead of results, owners that release, views that
// borrow the caller's buffer.
#include "support/graphic_builder.hpp"
#include "support/png_file.hpp"
#include "support/temp_dir.hpp"

#include "qrvx.hpp"

#include <gtest/gtest.h>

namespace qrvx::test {
namespace {

static_assert(!std::is_copy_constructible_v<Bitmap> &&
              std::is_nothrow_move_constructible_v<Bitmap>);
static_assert(!std::is_copy_constructible_v<ProgrammedGraphic>);

TEST(CppApi, DecodeGivesAnOwningBitmap) {
    ByteVector bytes = makeGraphic({"VE8,CS1,PA255", 1, {0x01, 0x03}});
    Result<Bitmap> decoded = Bitmap::decode({bytes});
    ASSERT_TRUE(decoded) << decoded.error().message();
    Bitmap bitmap = std::move(decoded).value();
    EXPECT_TRUE(bitmap.width() == 1 && bitmap.height() == 8 && bitmap.scrollMode() == 1);
    EXPECT_TRUE(bitmap.pixels().size() == 8 && bitmap.row(0)[0] == 3 && bitmap.row(1)[0] == 1);
    ASSERT_EQ(bitmap.palette().size(), 4u);
    EXPECT_EQ(bitmap.palette()[0].red, 0xFFFFFFFFu);
    const Bitmap moved = std::move(bitmap);
    EXPECT_EQ(moved.height(), 8u);
    EXPECT_TRUE(bitmap.pixels().empty()); // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(CppApi, ErrorsAreGenericErrorCodes) {
    ByteVector invalid = makeGraphic({"VE8,ZJSON", {}, {1}});
    const Result<Bitmap> decoded = Bitmap::decode({invalid});
    EXPECT_EQ(decoded.error(), std::errc::invalid_argument);
    EXPECT_THROW(decoded.value(), std::system_error);
    EXPECT_EQ(parameters(invalid).error(), std::errc::invalid_argument);
    ByteVector horizontal = makeGraphic({"HE8", {}, {1}});
    EXPECT_EQ(extractImage({horizontal}).error(), std::errc::operation_not_supported);
    EXPECT_EQ(writePng({horizontal}, "/nonexistent-qrvx-dir/out.png", PngOptions{}),
              std::errc::no_such_file_or_directory);
}

TEST(CppApi, ViewsBorrowTheCallersBuffer) {
    ByteVector bytes = makeGraphic({"VE8,RL2", 0, {0, 0, 0x3C, 0x42, 0, 7}});
    const SectionsView s = sections(bytes);
    EXPECT_TRUE(s.parameterBlock.data() == bytes.data() && s.parameterBlock.size() == 11);
    EXPECT_TRUE(s.scrollMarker.size() == 2 && s.scrollMode == 2);
    EXPECT_EQ(s.pixelData.data(), bytes.data() + 13);
    const Result<ImageView> image = extractImage({bytes}, {1, 1, 1});
    ASSERT_TRUE(image);
    EXPECT_EQ(image->data.data(), bytes.data() + 15); // after the two route columns
    EXPECT_TRUE(image->columnCount == 4 && image->secondPlane.empty());
    EXPECT_TRUE(routeNumberProgrammable({bytes}));
}

TEST(CppApi, ProgramMarkDescribeAndWrite) {
    ByteVector target = makeGraphic({"RR", {}, {1, 2, 3, 4, 5, 6}});
    ByteVector source = makeGraphic({"@RP2/2/1", {}, {9, 9, 7, 8}});
    Result<ProgrammedGraphic> programmed = programRouteNumber({target}, {source});
    ASSERT_TRUE(programmed) << programmed.error().message();
    const ByteSpan result = programmed->bytes();
    EXPECT_EQ(ByteVector(result.end() - 6, result.end()), (ByteVector{1, 2, 3, 4, 7, 8}));
    const Result<RouteNumberGraphic> route = describeRouteNumber({result});
    ASSERT_TRUE(route);
    EXPECT_EQ(route->routeCode, 2u);
    EXPECT_EQ(route->planes[0].data, result.data() + result.size() - 2);
    EXPECT_EQ(programRouteNumber({result}, {source}).error(), std::errc::file_exists);
    EXPECT_EQ(markRouteNumberProgrammed(target).value(), target.size() - 2);
    EXPECT_EQ(markRouteNumberProgrammed(target).error(), std::errc::no_such_file_or_directory);

    const TempDir dir("qrvx_cpp");
    ASSERT_FALSE(writePng({source}, dir.file("cpp.png").c_str(), {{255, 0, 0}, {0, 0, 0}, "cpp"}));
    const auto png = readPng(dir.file("cpp.png"));
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->width == 4 && png->rows[0][0] == 255 && png->texts.at(0).second == "cpp");
}

} // namespace
} // namespace qrvx::test
