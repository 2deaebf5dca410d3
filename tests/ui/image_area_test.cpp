// Image areas and the conversion of core bitmaps into drawable images.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include "BitmapImage.h"
#include "ImageArea.h"
#include "bitmap.h"
#include "picture.h"
#include "ui_fixtures.h"

namespace {

// Writes bytes into row y (0 = top) of a bitmap made for the test.
void SetRowBytes(Bitmap& bitmap, int y, std::initializer_list<uint8_t> bytes) {
    auto* row = const_cast<uint8_t*>(bitmap.PixelRow(y).data());
    std::memcpy(row, std::data(bytes), bytes.size());
}

struct DepthCase {
    const char* name;
    int bitsPerPixel;
    std::vector<uint8_t> row;  // top row, pixel 0 first
    std::vector<uint32_t> colourTable;
    std::array<uint32_t, 3> masks;
    int x;
    QRgb expected;
};

std::ostream& operator<<(std::ostream& os, const DepthCase& c) {
    return os << c.name;
}

class PixelDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(PixelDepthTest, ReadsThePixelOfEachDepth) {
    const DepthCase& c = GetParam();
    Bitmap bitmap;
    const int allocBits = c.bitsPerPixel == 0 ? 32 : c.bitsPerPixel;
    ASSERT_TRUE(bitmap.Allocate(4, 2, allocBits, false));
    auto* row = const_cast<uint8_t*>(bitmap.PixelRow(0).data());
    std::memcpy(row, c.row.data(), std::min(c.row.size(), bitmap.Stride()));
    bitmap.SetColourTable(c.colourTable);
    bitmap.SetColourMasks(c.masks);
    if (c.bitsPerPixel == 0) {
        bitmap.SetBitsPerPixel(0);  // a decoded run-length raster
    }
    const QImage image = BitmapRegionImage(bitmap, QRect(0, 0, 4, 1));
    ASSERT_EQ(image.size(), QSize(4, 1));
    EXPECT_EQ(image.pixel(c.x, 0) & 0xFFFFFF, c.expected & 0xFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, PixelDepthTest,
    ::testing::Values(
        DepthCase{"Bgr24", 24, {0, 0, 0, 0x10, 0x20, 0x30}, {}, {}, 1, qRgb(0x30, 0x20, 0x10)},
        DepthCase{"Bgrx32", 32, {1, 2, 3, 4, 0x10, 0x20, 0x30, 0xFF}, {}, {}, 1, qRgb(0x30, 0x20, 0x10)},
        DepthCase{"Masks32", 32, {0x30, 0x20, 0x10, 0x00}, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0,
                  qRgb(0x30, 0x20, 0x10)},
        DepthCase{"Rgb555", 16, {0, 0, 0x1F, 0x7C}, {}, {}, 1, qRgb(255, 0, 255)},
        DepthCase{"Rgb565", 16, {0, 0, 0xE0, 0x07}, {}, {0xF800, 0x07E0, 0x001F}, 1, qRgb(0, 255, 0)},
        DepthCase{"Indexed8", 8, {0, 2}, {0x000000, 0x111111, 0x00AABBCC}, {}, 1, qRgb(0xAA, 0xBB, 0xCC)},
        DepthCase{"Indexed8BeyondTable", 8, {0, 9}, {0xFFFFFF}, {}, 1, qRgb(0, 0, 0)},
        DepthCase{"Indexed4", 4, {0x01, 0x20}, {0x0, 0x00FF0000, 0x0000FF00}, {}, 2, qRgb(0, 255, 0)},
        DepthCase{"Indexed1", 1, {0x40}, {0x0, 0x00FFFFFF}, {}, 1, qRgb(255, 255, 255)},
        DepthCase{"RunLength", 0, {0, 0, 0, 255, 0x10, 0x20, 0x30, 255}, {}, {}, 1, qRgb(0x30, 0x20, 0x10)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BitmapRegionImage, ConvertsOnlyTheAskedPartOfAHugeBitmap) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.Allocate(8000, 8000, 24, false));
    auto* row = const_cast<uint8_t*>(bitmap.PixelRow(7995).data());
    row[7993 * 3 + 2] = 200;  // red at (7993, 7995)
    const QImage part = BitmapRegionImage(bitmap, QRect(7990, 7990, 217, 137));
    ASSERT_EQ(part.size(), QSize(10, 10)) << "clipped to the bitmap";
    EXPECT_EQ(part.pixel(3, 5), qRgb(200, 0, 0));
    EXPECT_EQ(part.pixel(2, 5), qRgb(0, 0, 0));
    EXPECT_TRUE(BitmapRegionImage(bitmap, QRect(8000, 0, 5, 5)).isNull());
}

TEST(BitmapScaledImage, SamplesTheSourceUnderEachTargetPixel) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.Allocate(2, 2, 24, false));
    SetRowBytes(bitmap, 0, {0, 0, 255, 0, 255, 0});    // red, green
    SetRowBytes(bitmap, 1, {255, 0, 0, 255, 255, 255});  // blue, white
    const QImage image = BitmapScaledImage(bitmap, QSize(4, 6));
    ASSERT_EQ(image.size(), QSize(4, 6));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(1, 3), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, 5), qRgb(255, 255, 255));
    const QImage small = BitmapScaledImage(bitmap, QSize(1, 1));
    EXPECT_EQ(small.pixel(0, 0), qRgb(255, 255, 255)) << "the centre falls in the bottom-right pixel";
}

// Counts its paints, to see the area repaint when its picture changes.
class CountingArea : public TImageArea {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TImageArea::paintEvent(event);
    }
};

class ImageAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // 300 x 200: wider and taller than the area; colour from position.
        path = dir.filePath(QStringLiteral("big.bmp"));
        ASSERT_TRUE(ui_fixtures::WriteBmp24(path, 300, 200, [](int x, int y) { return qRgb(x % 256, y, 7); }));
        area.setAutoFillBackground(true);
        area.setPalette(QPalette(QColor(1, 2, 3)));
        area.resize(217, 137);
        area.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    }
    QTemporaryDir dir;
    QString path;
    CountingArea area;
};

TEST_F(ImageAreaTest, ShowsThePictureAtItsOwnSizeFromTheTopLeftCutAtTheEdges) {
    LoadPicture(area.picture(), path.toStdString());
    const QImage shown = area.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(217, 137));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 7));
    EXPECT_EQ(shown.pixel(216, 136), qRgb(216, 136, 7));
    EXPECT_EQ(shown.pixel(100, 50), qRgb(100, 50, 7));
}

TEST_F(ImageAreaTest, ASmallPictureLeavesTheBackgroundAroundIt) {
    const QString small = dir.filePath(QStringLiteral("small.bmp"));
    ASSERT_TRUE(ui_fixtures::WriteBmp24(small, 3, 2, [](int, int) { return qRgb(250, 0, 0); }));
    LoadPicture(area.picture(), small.toStdString());
    const QImage shown = area.grab().toImage();
    EXPECT_EQ(shown.pixel(2, 1), qRgb(250, 0, 0));
    EXPECT_EQ(shown.pixel(3, 0), qRgb(1, 2, 3)) << "not stretched";
    EXPECT_EQ(shown.pixel(0, 2), qRgb(1, 2, 3)) << "not stretched";
    EXPECT_EQ(shown.pixel(108, 68), qRgb(1, 2, 3)) << "not centred";
}

TEST_F(ImageAreaTest, RepaintsAtOnceWhenThePictureChanges) {
    const int before = area.paints;
    LoadPicture(area.picture(), path.toStdString());
    EXPECT_GT(area.paints, before) << "loading did not repaint before returning";
    const int loaded = area.paints;
    ClearPicture(area.picture());
    EXPECT_GT(area.paints, loaded) << "clearing did not repaint before returning";
    EXPECT_EQ(area.grab().toImage().pixel(0, 0), qRgb(1, 2, 3)) << "an empty picture shows nothing";
}

TEST_F(ImageAreaTest, APictureOfAnotherKindShowsNothing) {
    OtherGraphic icon;
    icon.kind = PictureKind::Icon;
    icon.width = 32;
    icon.height = 32;
    area.picture().ReplaceWithOther(icon);
    EXPECT_EQ(area.grab().toImage().pixel(5, 5), qRgb(1, 2, 3));
}

}  // namespace
