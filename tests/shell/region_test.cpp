#include "screens/picture_box.h"
#include "screens/scale.h"
#include "screens/window_region.h"
#include "shell/region_from_picture.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr qint64 White = 0xFFFFFF;

// A picture from rows of text: '.' is white, the key; any other letter is a dark pixel.
QImage pictureOf(const std::vector<std::string> &rows)
{
    QImage image(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x] == '.' ? qRgb(255, 255, 255) : qRgb(15, 80, 112));
    return image;
}

std::vector<QRect> runsOf(const QRegion &region)
{
    return {region.begin(), region.end()};
}

// Regions cover the same pixels (their rectangle lists may be cut differently).
bool sameArea(const QRegion &a, const QRegion &b)
{
    return a.xored(b).isEmpty();
}

TEST(RegionFromPicture, EachMaximalRunOfNonKeyPixelsIsOneRectangleInRowOrder)
{
    const QImage picture = pictureOf({
        "..xxx..xx", // two runs, the second reaching the right edge
        ".........", // a row of key adds nothing
        "xx.x.xxxx", // holes split a row into three runs
    });
    const QRegion region = regionFromImage(picture, 9, 3, White);
    const std::vector<QRect> expected{QRect(2, 0, 3, 1), QRect(7, 0, 2, 1), QRect(0, 2, 2, 1),
                                      QRect(3, 2, 1, 1), QRect(5, 2, 4, 1)};
    EXPECT_EQ(runsOf(region), expected);
    EXPECT_FALSE(region.contains(QPoint(2, 2)));
    EXPECT_TRUE(region.contains(QPoint(8, 0)));
}

TEST(RegionFromPicture, NoKeyGivesTheWholeBoxAndAllKeyGivesNothing)
{
    EXPECT_TRUE(
        sameArea(regionFromImage(pictureOf({"xxxx", "xxxx"}), 4, 2, White), QRegion(0, 0, 4, 2)));
    EXPECT_TRUE(regionFromImage(pictureOf({"....", "...."}), 4, 2, White).isEmpty());
    // A point outside a box reads as -1, which is no colour: every pixel differs from it.
    EXPECT_TRUE(
        sameArea(regionFromImage(pictureOf({"....", "...."}), 4, 2, -1), QRegion(0, 0, 4, 2)));
}

TEST(RegionFromPicture, TheColourMatchIsExact)
{
    QImage picture = pictureOf({"...."});
    picture.setPixel(1, 0, qRgb(254, 255, 255));
    picture.setPixel(2, 0, qRgb(255, 255, 254));
    EXPECT_EQ(runsOf(regionFromImage(picture, 4, 1, White)), std::vector<QRect>{QRect(1, 0, 2, 1)});
}

TEST(RegionFromPicture, OnlyTheBoxsWidthAndHeightAreRead)
{
    const QImage picture = pictureOf({"xxxx", "xxxx", "xxxx"});
    EXPECT_TRUE(regionFromImage(picture, 0, 3, White).isEmpty());
    EXPECT_TRUE(regionFromImage(picture, 4, 0, White).isEmpty());
    EXPECT_TRUE(regionFromImage(picture, -5, -1, White).isEmpty());
    EXPECT_TRUE(sameArea(regionFromImage(picture, 2, 1, White), QRegion(0, 0, 2, 1)));
}

TEST(RegionFromPicture, TheBoxSizeIsReadInItsContainersScaleRoundedHalfToEven)
{
    QWidget window;
    setScaleMode(window, ScaleMode::Pixels);
    PictureBox pic(&window);
    pic.setBackColor(Qt::white);
    pic.setPicture(pictureOf({"xxxxx", "xxxxx"}));
    setWidth(pic, 2.5f);  // 2.5 rounds to 2
    setHeight(pic, 1.5f); // 1.5 rounds to 2
    const qint64 key = White;
    EXPECT_TRUE(sameArea(RegionFromPicture(pic, key), QRegion(0, 0, 2, 2)));

    setWidth(pic, 3.5f); // 3.5 rounds to 4
    EXPECT_TRUE(sameArea(RegionFromPicture(pic, key), QRegion(0, 0, 4, 2)));
}

// The key read from the box and matched against its pixels keeps red and blue apart: beside the
// key lies the same colour with the two swapped, which belongs to the window.
TEST(RegionFromPicture, AColouredKeyIsReadAndMatchedWithRedAndBlueInTheirPlaces)
{
    QImage picture(4, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 128));
    picture.setPixel(1, 0, qRgb(128, 0, 255));
    picture.setPixel(2, 0, qRgb(15, 80, 112));
    picture.setPixel(3, 0, qRgb(255, 0, 128));
    QWidget window;
    setScaleMode(window, ScaleMode::Pixels);
    PictureBox pic(&window);
    pic.setPicture(picture);
    setWidth(pic, 4);
    setHeight(pic, 1);

    // As start-up reads it: the point (1, 1) of the box, in twips.
    const qint64 key = pic.Point(1, 1);
    EXPECT_EQ(key, 255 + 128 * 65536);
    EXPECT_EQ(runsOf(RegionFromPicture(pic, key)), std::vector<QRect>{QRect(1, 0, 2, 1)});
}

TEST(WindowRegion, AnEmptyRegionHidesTheWholeWindowRatherThanNone)
{
    QWidget window;
    window.resize(20, 10);
    SetWindowRgn(window, QRegion(), true);
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty());

    SetWindowRgn(window, QRegion(2, 2, 3, 3), true);
    EXPECT_EQ(window.mask(), QRegion(2, 2, 3, 3));
}

} // namespace
