#include "shell/region_from_picture.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegion>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <vector>

// Lets failures show rectangles as coordinates.
void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << "(" << rect.left() << "," << rect.top() << ")-(" << rect.right() << "," << rect.bottom()
         << ")";
}

namespace {

constexpr int SkinWidth = 689;
constexpr int SkinHeight = 480;
constexpr qint64 White = 0xFFFFFF;
const QRect LogoBox(QPoint(19, 13), QPoint(28, 32));

QByteArray resourceBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

template <typename T> T little(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

bool isKey(QRgb pixel)
{
    return (pixel & 0xFFFFFF) == 0xFFFFFF;
}

bool isNearWhite(QRgb pixel)
{
    return qRed(pixel) >= 240 && qGreen(pixel) >= 240 && qBlue(pixel) >= 240;
}

struct Bitmap
{
    const char *path;
    int width;
    int height;
};

TEST(Pictures, EveryBitmapIsAnUncompressed24BitPictureOfItsSize)
{
    const Bitmap bitmaps[] = {
        {":/layout/skin.bmp", 689, 480},   {":/layout/registration.bmp", 422, 220},
        {":/layout/splash.bmp", 422, 147}, {":/layout/face_demo.bmp", 96, 17},
        {":/layout/face_ok.bmp", 96, 17},  {":/layout/face_quit.bmp", 96, 17},
        {":/bitmaps/101.bmp", 156, 25},    {":/bitmaps/102.bmp", 155, 25},
        {":/bitmaps/103.bmp", 155, 25},    {":/bitmaps/104.bmp", 155, 25},
    };
    for (const Bitmap &bitmap : bitmaps) {
        SCOPED_TRACE(bitmap.path);
        const QByteArray bytes = resourceBytes(QString::fromLatin1(bitmap.path));
        ASSERT_GE(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        EXPECT_EQ(little<qint32>(bytes, 18), bitmap.width);
        EXPECT_EQ(std::abs(little<qint32>(bytes, 22)), bitmap.height);
        EXPECT_EQ(little<quint16>(bytes, 28), 24u);
        EXPECT_EQ(little<quint32>(bytes, 30), 0u) << "compressed";
        const qint64 rowBytes = (bitmap.width * 3 + 3) / 4 * 4;
        EXPECT_GE(bytes.size(), little<quint32>(bytes, 10) + rowBytes * bitmap.height);
        EXPECT_EQ(QImage(QString::fromLatin1(bitmap.path)).size(),
                  QSize(bitmap.width, bitmap.height));
    }
}

TEST(Pictures, RegistrationAndSplashCornersAreFrameBlue)
{
    for (const char *path : {":/layout/registration.bmp", ":/layout/splash.bmp"}) {
        SCOPED_TRACE(path);
        const QImage picture(QString::fromLatin1(path));
        ASSERT_FALSE(picture.isNull());
        const int right = picture.width() - 1;
        const int bottom = picture.height() - 1;
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
            SCOPED_TRACE(QStringLiteral("(%1,%2)").arg(corner.x()).arg(corner.y()).toStdString());
            EXPECT_EQ(picture.pixel(corner) & 0xFFFFFF, qRgb(96, 144, 191) & 0xFFFFFF);
        }
    }
}

TEST(Pictures, IconHoldsA32And16PixelImageInSixteenColoursWithTransparency)
{
    const QByteArray bytes = resourceBytes(QStringLiteral(":/icons/quorvane.ico"));
    ASSERT_GE(bytes.size(), 6 + 2 * 16);
    EXPECT_EQ(little<quint16>(bytes, 2), 1u) << "not an icon";
    ASSERT_EQ(little<quint16>(bytes, 4), 2u);
    std::set<int> directorySizes;
    for (int entry = 6; entry < 6 + 2 * 16; entry += 16) {
        directorySizes.insert(static_cast<quint8>(bytes[entry]));
        EXPECT_EQ(static_cast<quint8>(bytes[entry + 2]), 16u) << "colours";
        EXPECT_EQ(little<quint16>(bytes, entry + 6), 4u) << "bits per pixel";
    }
    EXPECT_EQ(directorySizes, (std::set<int>{16, 32}));

    QImageReader reader(QStringLiteral(":/icons/quorvane.ico"));
    ASSERT_EQ(reader.imageCount(), 2);
    std::set<int> sizes;
    for (int i = 0; i < 2; ++i) {
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.width(), image.height());
        sizes.insert(image.width());
        int clear = 0;
        int white = 0;
        int grey = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                clear += qAlpha(pixel) == 0;
                white += pixel == qRgba(255, 255, 255, 255);
                grey += pixel == qRgba(128, 128, 128, 255);
            }
        }
        // The surround is see-through; the computer is white with a grey screen.
        EXPECT_EQ(qAlpha(image.pixel(0, image.height() - 1)), 0);
        EXPECT_GT(clear, image.width() * image.height() / 5);
        EXPECT_GT(white, image.width());
        EXPECT_GT(grey, image.width());
        reader.jumpToNextImage();
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

// The main window's outline is cut from the skin with white as the key.
class SkinOutline : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(skin.size(), QSize(SkinWidth, SkinHeight));
        for (const QRect &run : region)
            rows[run.y()].push_back(run);
    }

    // First and last covered column of a row.
    int first(int y) const { return rows.at(y).front().left(); }
    int last(int y) const { return rows.at(y).back().right(); }

    const QImage skin{QStringLiteral(":/layout/skin.bmp")};
    const QRegion region = regionFromImage(skin, SkinWidth, SkinHeight, White);
    std::map<int, std::vector<QRect>> rows;
};

TEST_F(SkinOutline, KeyIsWhiteAndTheRimUnderTheTwipPointIsDarkBlueGreen)
{
    EXPECT_EQ(skin.pixel(0, 0) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    // Reading the key at pixel (1, 1) instead of twip (1, 1) would pick this colour.
    EXPECT_EQ(skin.pixel(1, 1) & 0xFFFFFF, qRgb(15, 80, 112) & 0xFFFFFF);
}

TEST_F(SkinOutline, RegionIs511RunsCovering323641Pixels)
{
    EXPECT_EQ(region.rectCount(), 511);
    qint64 covered = 0;
    size_t mostInRow = 0;
    for (const QRect &run : region) {
        EXPECT_EQ(run.height(), 1);
        covered += qint64(run.width()) * run.height();
    }
    for (const auto &[y, runs] : rows)
        mostInRow = std::max(mostInRow, runs.size());
    EXPECT_EQ(covered, 323641);
    EXPECT_EQ(SkinWidth * SkinHeight - covered, 7079);
    EXPECT_EQ(mostInRow, 3u);
    EXPECT_EQ(rows.size(), size_t(SkinHeight)) << "every row has a run";
}

TEST_F(SkinOutline, TitleTabBodyAndSlantedFootHaveTheirExtents)
{
    ASSERT_EQ(rows.size(), size_t(SkinHeight));
    ASSERT_EQ(rows[0].size(), 1u);
    EXPECT_EQ(rows[0].front(), QRect(QPoint(4, 0), QPoint(217, 0)));
    for (int y = 1; y <= 4; ++y) {
        SCOPED_TRACE(y);
        EXPECT_LE(first(y), 4) << "the tab starts at the left edge, rounded";
        EXPECT_GE(last(y), 217);
        EXPECT_LE(last(y), 219);
    }

    int widest = 0;
    for (int y = 5; y <= 453; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(first(y), 0);
        widest = std::max(widest, last(y));
    }
    EXPECT_EQ(widest, 688);
    // Rounded at the right: short at the top and bottom rows of the body, full width between.
    EXPECT_LT(last(5), 688);
    EXPECT_LT(last(453), 688);
    for (int y = 20; y <= 440; ++y)
        EXPECT_EQ(last(y), 688) << "row " << y;
    for (int y = 6; y < 20; ++y)
        EXPECT_GE(last(y), last(y - 1)) << "row " << y;
    for (int y = 441; y <= 453; ++y)
        EXPECT_LE(last(y), last(y - 1)) << "row " << y;

    for (int y = 454; y <= 479; ++y) {
        SCOPED_TRACE(y);
        EXPECT_GE(last(y), 503);
        EXPECT_LE(last(y), 518);
        if (y > 454)
            EXPECT_LE(last(y), last(y - 1)) << "the slant only moves left";
    }
    EXPECT_GT(last(454), last(479));
    ASSERT_EQ(rows[479].size(), 1u);
    EXPECT_EQ(rows[479].front(), QRect(QPoint(1, 479), QPoint(503, 479)));
}

TEST_F(SkinOutline, OnlyTheLogoLetterIsSeeThroughInsideTheFigure)
{
    std::vector<QPoint> holes;
    for (const auto &[y, runs] : rows)
        for (size_t i = 1; i < runs.size(); ++i)
            for (int x = runs[i - 1].right() + 1; x < runs[i].left(); ++x)
                holes.emplace_back(x, y);
    EXPECT_EQ(holes.size(), 56u);
    EXPECT_EQ(region.rectCount() - SkinHeight, 31) << "one extra run per piece of the letter";
    QRect extent;
    for (const QPoint &hole : holes) {
        EXPECT_TRUE(isKey(skin.pixel(hole)));
        EXPECT_TRUE(LogoBox.contains(hole)) << hole.x() << "," << hole.y();
        extent |= QRect(hole, QSize(1, 1));
    }
    EXPECT_EQ(extent, LogoBox);
}

TEST_F(SkinOutline, NoPixelButTheKeyIsNearWhite)
{
    int nearWhite = 0;
    for (int y = 0; y < SkinHeight; ++y)
        for (int x = 0; x < SkinWidth; ++x)
            nearWhite += !isKey(skin.pixel(x, y)) && isNearWhite(skin.pixel(x, y));
    EXPECT_EQ(nearWhite, 0);
}

} // namespace
