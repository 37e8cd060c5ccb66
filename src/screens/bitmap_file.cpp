#include "bitmap_file.h"

#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace {

template <class T> T field(const QByteArray &file, int offset)
{
    return qFromLittleEndian<T>(file.constData() + offset);
}

} // namespace

std::optional<Bitmap24Layout> bitmap24Layout(const QByteArray &head, qint64 fileSize)
{
    constexpr int FileHeader = 14;
    if (head.size() < FileHeader + 40 || !head.startsWith("BM"))
        return std::nullopt;
    const auto dataOffset = field<quint32>(head, 10);
    const auto headerSize = field<quint32>(head, FileHeader);
    const auto width = field<qint32>(head, FileHeader + 4);
    const auto height = field<qint32>(head, FileHeader + 8);
    const auto bitCount = field<quint16>(head, FileHeader + 14);
    const auto compression = field<quint32>(head, FileHeader + 16);
    if (headerSize < 40 || bitCount != 24 || compression != 0 || width <= 0 || height == 0 ||
        width > 32767 || std::abs(height) > 32767)
        return std::nullopt;

    const qint64 rows = std::abs(height);
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    if (dataOffset > fileSize || fileSize - qint64(dataOffset) < stride * rows)
        return std::nullopt;
    // No larger than the general reader would read either.
    if (qint64(width) * rows * 4 > qint64(QImageReader::allocationLimit()) * 1024 * 1024)
        return std::nullopt;
    return Bitmap24Layout{width, height, dataOffset, stride};
}

QImage decodeBitmap24(const QByteArray &file)
{
    const std::optional<Bitmap24Layout> layout = bitmap24Layout(file, file.size());
    if (!layout)
        return {};
    const qint32 width = layout->width;
    const qint32 height = layout->height;
    const qint64 rows = std::abs(height);
    const qint64 stride = layout->stride;

    QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // Rows are stored bottom-up unless the height is negative; pixels as blue, green, red.
    const auto *pixels = reinterpret_cast<const uchar *>(file.constData()) + layout->dataOffset;
    for (qint64 row = 0; row < rows; ++row) {
        const uchar *in = pixels + stride * (height > 0 ? rows - 1 - row : row);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(static_cast<int>(row)));
        // Read as a little-endian word, blue, green, red is already 0x00RRGGBB; the fourth byte
        // belongs to the next pixel and is masked off. The row's last pixel may end the file, so
        // it is read byte by byte.
        for (int x = 0; x < width - 1; ++x, in += 3)
            out[x] = 0xFF000000u | (qFromLittleEndian<quint32>(in) & 0x00FFFFFFu);
        out[width - 1] = qRgb(in[2], in[1], in[0]);
    }
    return image;
}
