#include "paint.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

QFont dejaVu(const QString &family, int pixelSize, int weight, bool italic)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QStringList fontProblems()
{
    QStringList problems;
    for (const QString &family :
         {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Sans Condensed"),
          QStringLiteral("DejaVu Serif")}) {
        const QFontInfo info(dejaVu(family, 12));
        if (info.family() != family)
            problems << QStringLiteral("font %1 resolves to %2").arg(family, info.family());
    }
    return problems;
}

void drawBevel(QPainter &p, const QRectF &inner, qreal radius, qreal width, const QColor &topLeft,
               const QColor &bottomRight)
{
    const QRectF outer = inner.adjusted(-width, -width, width, width);
    QPainterPath ring;
    ring.addRoundedRect(outer, radius + width, radius + width);
    QPainterPath hole;
    hole.addRoundedRect(inner, radius, radius);
    ring = ring.subtracted(hole);

    // The edges meet on the 45-degree lines from the corners, as on a picture frame.
    const qreal d = std::min(outer.width(), outer.height()) / 2;
    QPainterPath upperLeft;
    upperLeft.addPolygon(QPolygonF{{outer.left() - 1, outer.top() - 1},
                                   {outer.right() + 1, outer.top() - 1},
                                   {outer.right() - d, outer.top() + d},
                                   {outer.left() + d, outer.bottom() - d},
                                   {outer.left() - 1, outer.bottom() + 1}});
    upperLeft.closeSubpath();
    p.fillPath(ring.intersected(upperLeft), topLeft);
    p.fillPath(ring.subtracted(upperLeft), bottomRight);
}

QPainterPath textPath(const QString &text, const QFont &font, const QRectF &box,
                      Qt::Alignment align)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF drawn = path.boundingRect();
    const QFontMetricsF metrics(font);
    qreal x = box.left() - drawn.left();
    if (align & Qt::AlignHCenter)
        x = box.center().x() - drawn.center().x();
    else if (align & Qt::AlignRight)
        x = box.right() - drawn.right();
    const qreal baseline = box.center().y() + metrics.capHeight() / 2;
    return path.translated(x, baseline);
}

void drawLettering(QPainter &p, const QPainterPath &path, const QBrush &fill, const QColor &outline,
                   qreal outlineWidth, const QColor &shadow, QPointF shadowOffset)
{
    const QPen outlinePen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (shadow.isValid()) {
        const QPainterPath cast = path.translated(shadowOffset);
        if (outlineWidth > 0)
            p.strokePath(cast,
                         QPen(shadow, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(cast, shadow);
    }
    if (outline.isValid() && outlineWidth > 0)
        p.strokePath(path, outlinePen);
    p.fillPath(path, fill);
}

void drawSmallText(QPainter &p, const QString &text, const QFont &font, const QRectF &box,
                   Qt::Alignment align, const QColor &colour, const QColor &shadow)
{
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(text);
    qreal x = box.left() - ink.left();
    if (align & Qt::AlignHCenter)
        x = box.center().x() - ink.center().x();
    else if (align & Qt::AlignRight)
        x = box.right() - ink.right();
    // Whole pixels keep hinted stems sharp.
    const QPointF origin(std::round(x), std::round(box.center().y() + metrics.capHeight() / 2));
    p.setFont(font);
    if (shadow.isValid()) {
        p.setPen(shadow);
        p.drawText(origin + QPointF(1, 1), text);
    }
    p.setPen(colour);
    p.drawText(origin, text);
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QString saveBitmap(const QImage &image, const QString &path)
{
    // Qt writes a 32-bit image without alpha as an uncompressed 24-bit bitmap.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    if (!opaque.save(path, "BMP"))
        return QStringLiteral("cannot write %1").arg(path);
    return {};
}
