#include "bitmap_file.h"

#include <QtEndian>

#include <cstdlib>

namespace {

template <class T> T field(const QByteArray &file, int offset)
{
    return qFromLittleEndian<T>(file.constData() + offset);
}

} // namespace

QImage decodeBitmap24(const QByteArray &file)
{
    constexpr int FileHeader = 14;
    if (file.size() < FileHeader + 40 || !file.startsWith("BM"))
        return {};
    const auto dataOffset = field<quint32>(file, 10);
    const auto headerSize = field<quint32>(file, FileHeader);
    const auto width = field<qint32>(file, FileHeader + 4);
    const auto height = field<qint32>(file, FileHeader + 8);
    const auto bitCount = field<quint16>(file, FileHeader + 14);
    const auto compression = field<quint32>(file, FileHeader + 16);
    if (headerSize < 40 || bitCount != 24 || compression != 0 || width <= 0 || height == 0 ||
        width > 32767 || std::abs(height) > 32767)
        return {};

    const qint64 rows = std::abs(height);
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    if (dataOffset > quint32(file.size()) || file.size() - qint64(dataOffset) < stride * rows)
        return {};

    QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // Rows are stored bottom-up unless the height is negative; pixels as blue, green, red.
    const auto *pixels = reinterpret_cast<const uchar *>(file.constData()) + dataOffset;
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
