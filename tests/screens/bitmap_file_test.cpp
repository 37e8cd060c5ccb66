#include "screens/bitmap_file.h"
#include "screens/pictures.h"
#include "store/runtime_error.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray bitmapBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 37 % 256, y * 11 % 256, (x + y) % 256));
    return image;
}

TEST(Bitmap24, ReadsWhatTheGeneralReaderReadsForEveryRowPadding)
{
    for (int width : {1, 2, 3, 4, 5, 155, 156}) {
        const QImage original = pattern(width, 7);
        const QByteArray bytes = bitmapBytes(original);
        ASSERT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24) << width;
        EXPECT_EQ(decodeBitmap24(bytes), original) << width;
    }
}

TEST(Bitmap24, ReadsTheProgramsOwnPicturesAsTheGeneralReaderDoes)
{
    for (const char *name :
         {":/layout/skin.bmp", ":/layout/registration.bmp", ":/bitmaps/101.bmp"}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray bytes = file.readAll();
        QImage general;
        ASSERT_TRUE(general.loadFromData(bytes)) << name;
        EXPECT_EQ(decodeBitmap24(bytes), general.convertToFormat(QImage::Format_RGB32)) << name;
    }
}

// The bytes of a built-in picture are handed back once it is decoded; reading it again finds
// them unchanged.
TEST(Bitmap24, TheProgramsOwnPicturesReadTheSameEveryTime)
{
    for (const char *name : {"skin.bmp", "registration.bmp", "splash.bmp"}) {
        QImage general(QStringLiteral(":/layout/") + name);
        ASSERT_FALSE(general.isNull()) << name;
        general.convertTo(QImage::Format_RGB32);
        for (int read = 1; read <= 3; ++read)
            EXPECT_EQ(layoutPicture(name), general) << name << ", read " << read;
    }
}

TEST(Bitmap24, ATopDownBitmapKeepsItsRowOrder)
{
    const QImage original = pattern(6, 5);
    QByteArray bytes = bitmapBytes(original);
    // Negative height: rows stored from the top. Reverse the stored rows to match.
    const int offset = qFromLittleEndian<quint32>(bytes.constData() + 10);
    const int stride = (6 * 3 + 3) / 4 * 4;
    QByteArray rows = bytes.mid(offset);
    for (int row = 0; row < 5; ++row)
        bytes.replace(offset + row * stride, stride, rows.mid((4 - row) * stride, stride));
    qToLittleEndian<qint32>(-5, bytes.data() + 22);
    EXPECT_EQ(decodeBitmap24(bytes), original);
}

TEST(Bitmap24, LeavesOtherAndDamagedFilesToTheGeneralReader)
{
    const QByteArray good = bitmapBytes(pattern(9, 4));
    EXPECT_TRUE(decodeBitmap24(QByteArray()).isNull());
    EXPECT_TRUE(decodeBitmap24("BM not a bitmap at all, just some text").isNull());
    EXPECT_TRUE(decodeBitmap24(good.left(good.size() - 5)).isNull()); // cut short

    QByteArray compressed = good;
    qToLittleEndian<quint32>(1, compressed.data() + 30);
    EXPECT_TRUE(decodeBitmap24(compressed).isNull());

    QByteArray huge = good;
    qToLittleEndian<qint32>(1 << 20, huge.data() + 18);
    EXPECT_TRUE(decodeBitmap24(huge).isNull());

    QByteArray pastTheEnd = good;
    qToLittleEndian<quint32>(0x7FFFFFF0, pastTheEnd.data() + 10);
    EXPECT_TRUE(decodeBitmap24(pastTheEnd).isNull());
}

// What the bank check asks of a picture file must be what showing it will find.
TEST(Pictures, AFileIsReadableExactlyWhenLoadingItSucceeds)
{
    const QByteArray good = bitmapBytes(pattern(9, 4));
    QByteArray tall = good; // declares 30000 rows it does not hold, far past any reader's limit
    qToLittleEndian<qint32>(30000, tall.data() + 18);
    qToLittleEndian<qint32>(30000, tall.data() + 22);
    QByteArray eightBit;
    {
        QBuffer buffer(&eightBit);
        buffer.open(QIODevice::WriteOnly);
        pattern(9, 4).convertToFormat(QImage::Format_Indexed8).save(&buffer, "BMP");
    }
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool readable;
    } files[] = {
        {"good", good, true},
        {"eight-bit", eightBit, true},
        {"text", "not a picture", false},
        {"empty", QByteArray(), false},
        {"too-tall", tall, false},
    };
    QTemporaryDir dir;
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const QString path = dir.filePath(QString::fromLatin1(f.name) + ".bmp");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(f.bytes);
        file.close();

        bool loads = true;
        try {
            LoadPicture(path);
        } catch (const RuntimeError &) {
            loads = false;
        }
        EXPECT_EQ(loads, f.readable);
        EXPECT_EQ(isReadablePicture(path), f.readable);
    }
    EXPECT_FALSE(isReadablePicture(dir.filePath("missing.bmp")));
}

} // namespace
