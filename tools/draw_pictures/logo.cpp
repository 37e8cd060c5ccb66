#include "logo.h"

#include <QImage>
#include <QPainter>
#include <QRadialGradient>

namespace Logo {

void drawDisc(QPainter &p, QPoint letterOrigin)
{
    const QPointF centre(letterOrigin.x() + letterWidth / 2.0,
                         letterOrigin.y() + letterHeight / 2.0);
    const qreal radius = 17;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // A dark halo lifts the disc off the frame.
    p.setBrush(QColor(4, 10, 34, 150));
    p.drawEllipse(centre + QPointF(1.2, 1.6), radius + 1, radius + 1);

    QLinearGradient gold(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    gold.setColorAt(0, QColor(255, 236, 140));
    gold.setColorAt(0.5, QColor(230, 170, 30));
    gold.setColorAt(1, QColor(150, 92, 0));
    p.setBrush(gold);
    p.drawEllipse(centre, radius, radius);

    QRadialGradient face(centre, radius - 2.5, centre - QPointF(6, 7));
    face.setColorAt(0, QColor(238, 96, 214));
    face.setColorAt(0.55, QColor(178, 24, 160));
    face.setColorAt(1, QColor(92, 0, 96));
    p.setBrush(face);
    p.setPen(QPen(QColor(96, 52, 0), 0.8));
    p.drawEllipse(centre, radius - 2.5, radius - 2.5);

    // A glint on the upper left of the rim.
    p.setPen(QPen(QColor(255, 250, 210, 200), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(
        QRectF(centre.x() - radius + 1, centre.y() - radius + 1, 2 * radius - 2, 2 * radius - 2),
        100 * 16, 70 * 16);
    p.restore();
}

void drawLetter(QImage &image, QPoint letterOrigin, QRgb colour)
{
    for (int row = 0; row < letterHeight; ++row)
        for (int column = 0; column < letterWidth; ++column)
            if (letter[row][column] == '#')
                image.setPixel(letterOrigin + QPoint(column, row), colour);
}

} // namespace Logo
