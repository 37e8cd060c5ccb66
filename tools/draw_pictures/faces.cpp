#include "faces.h"

#include "paint.h"
#include "palette.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

QLinearGradient bodyGradient(FaceColour colour, qreal height)
{
    QLinearGradient g(0, 0, 0, height);
    if (colour == FaceColour::Blue) {
        g.setColorAt(0.0, QColor(132, 176, 255));
        g.setColorAt(0.46, QColor(46, 98, 232));
        g.setColorAt(0.54, QColor(22, 66, 200));
        g.setColorAt(1.0, QColor(12, 40, 150));
    } else {
        g.setColorAt(0.0, QColor(255, 150, 140));
        g.setColorAt(0.46, QColor(232, 48, 40));
        g.setColorAt(0.54, QColor(196, 16, 12));
        g.setColorAt(1.0, QColor(124, 0, 0));
    }
    return g;
}

} // namespace

QImage buttonFace(QSize size, FaceColour colour, const QString &word, const QColor &surround,
                  const QColor &wordOutline)
{
    QImage face(size, QImage::Format_RGB32);
    face.fill(surround);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF body = QRectF(0, 0, size.width(), size.height()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = size.height() * 0.36;
    const QColor rim = colour == FaceColour::Blue ? QColor(0, 14, 70) : QColor(72, 0, 0);
    p.setPen(QPen(rim, 1));
    p.setBrush(bodyGradient(colour, size.height()));
    p.drawRoundedRect(body, radius, radius);

    // A soft glint along the top edge, inside the rim.
    QPainterPath inside;
    inside.addRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.setClipPath(inside);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(1, 1, -1, size.height()), radius - 1, radius - 1);
    p.setClipping(false);

    if (!word.isEmpty()) {
        const int pixelSize = size.height() <= 17 ? 11 : 14;
        const QFont font = dejaVu(QStringLiteral("DejaVu Sans"), pixelSize, QFont::Bold);
        const QRectF box(0, 0, size.width(), size.height());
        if (wordOutline.isValid()) {
            const QPainterPath path = textPath(word, font, box.translated(0, 0.5), Qt::AlignCenter);
            drawLettering(p, path, Palette::faceYellow, wordOutline, 1.6, QColor(40, 0, 30, 160));
        } else {
            drawSmallText(p, word, font, box, Qt::AlignCenter, Palette::faceYellow,
                          QColor(0, 10, 60, 200));
        }
    }
    return face;
}
