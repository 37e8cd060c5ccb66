#include "region_from_picture.h"

#include "screens/picture_box.h"
#include "screens/scale.h"
#include "store/runtime_error.h"

#include <QImage>

#include <cmath>
#include <limits>
#include <vector>

namespace {

int toInt32(float value)
{
    // Round half to even, as the conversion to a 32-bit integer does.
    const double rounded = std::nearbyint(static_cast<double>(value));
    if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
        throw Errors::overflow(QStringLiteral("размер рисунка окна вне 32-битного диапазона"));
    return static_cast<int>(rounded);
}

} // namespace

QRegion regionFromImage(const QImage &image, int width, int height, qint64 key)
{
    // Pixels beyond the image read as the box's nothing: treat them as key, never as figure.
    const int w = std::min(width, image.width());
    const int h = std::min(height, image.height());
    if (w <= 0 || h <= 0)
        return {};

    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    // The key in the pixels' own layout, 0x00RRGGBB; a key that is no colour matches nothing.
    const QRgb keyPixel = key < 0 || key > 0xFFFFFF
                              ? 0xFF000000u
                              : qRgb(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF) & 0xFFFFFFu;
    const auto isKey = [keyPixel](QRgb pixel) { return (pixel & 0xFFFFFFu) == keyPixel; };

    std::vector<QRect> runs;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && isKey(row[x]))
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && !isKey(row[x]))
                ++x;
            runs.emplace_back(start, y, x - start, 1);
        }
    }
    QRegion region;
    // The runs are disjoint and already in row order, which is the form a region keeps.
    region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}

QRegion RegionFromPicture(const PictureBox &pic, const qint64 &TransparentColor)
{
    const int H = toInt32(Height(pic));
    const int W = toInt32(Width(pic));
    return regionFromImage(pic.hDC(), W, H, TransparentColor);
}
