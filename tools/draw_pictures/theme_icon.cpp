#include "theme_icon.h"

#include "icon.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <vector>

namespace {

// The colours the window icon uses, from its 16-colour palette.
const QColor black(0, 0, 0);
const QColor white(255, 255, 255);
const QColor silver(192, 192, 192);
const QColor grey(128, 128, 128);
const QColor green(0, 255, 0);

// A filled rounded rectangle on the icon's 32 by 32 grid; later shapes cover earlier ones.
struct Shape
{
    QRectF rect;
    qreal radius;
    QColor colour;
};

// The window icon's computer, pixel row by pixel row, as rectangles: an outline is a black
// shape with a lighter one inside it.
std::vector<Shape> shapes()
{
    std::vector<Shape> out = {
        // The monitor: white face, silver shade on the right and at the bottom.
        {{7, 1, 18, 20}, 1.5, black},
        {{8, 2, 16, 18}, 0.6, silver},
        {{8, 2, 15, 17}, 0.6, white},
        // The grey screen with a glint in its top-left corner.
        {{9, 4, 13, 10}, 0.8, black},
        {{10, 5, 11, 8}, 0.4, grey},
        {{10, 5, 2, 1}, 0.3, silver},
        {{10, 5, 1, 2}, 0.3, silver},
        // The disk slot and the power lamp.
        {{14, 16, 7, 1}, 0.2, black},
        {{14, 17, 8, 1}, 0.2, silver},
        {{9, 17, 1, 1}, 0.5, green},
        // The foot.
        {{10, 21, 12, 2}, 0.3, black},
        {{11, 21, 10, 1}, 0, silver},
        // The keyboard.
        {{3, 24, 26, 7}, 1.5, black},
        {{4, 25, 24, 5}, 0.5, silver},
        {{4, 25, 24, 4}, 0.5, white},
    };
    // Three rows of keys, the middle one set off by half a key; a space bar in the bottom row.
    constexpr qreal inset = 0.1;
    const auto key = [&](qreal x, qreal y, qreal width) {
        out.push_back({QRectF(x, y, width, 1).adjusted(inset, inset, -inset, -inset), 0.2, grey});
    };
    for (int x = 5; x <= 23; x += 3)
        key(x, 26, 2);
    key(26, 26, 1);
    for (int x = 6; x <= 24; x += 3)
        key(x, 27, 2);
    key(5, 28, 2);
    key(9, 28, 14);
    key(25, 28, 2);
    return out;
}

QString number(qreal value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

QImage themeIcon(int size)
{
    if (size == 16 || size == 32)
        return iconPixels(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.scale(size / 32.0, size / 32.0);
    for (const Shape &shape : shapes()) {
        p.setBrush(shape.colour);
        p.drawRoundedRect(shape.rect, shape.radius, shape.radius);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray themeIconSvg()
{
    QString svg =
        QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                       "viewBox=\"0 0 32 32\">\n");
    for (const Shape &shape : shapes())
        svg += QStringLiteral(
                   "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                   .arg(number(shape.rect.x()), number(shape.rect.y()), number(shape.rect.width()),
                        number(shape.rect.height()), number(shape.radius), shape.colour.name());
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}
