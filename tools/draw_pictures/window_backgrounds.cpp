#include "window_backgrounds.h"

#include "logo.h"
#include "paint.h"
#include "palette.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr int pictureWidth = 422;
constexpr qreal panelInset = 10;
constexpr qreal panelRadius = 12;

// The blue frame and the rounded panel inside it, for a window showing visibleHeight rows.
QImage framedPanel(int pictureHeight, int visibleHeight, const QBrush &panelFill)
{
    QImage image(pictureWidth, pictureHeight, QImage::Format_RGB32);
    image.fill(Palette::windowFrame);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The outermost row and column stay frame colour; the raised edge lies just inside them.
    const QRectF face(2, 2, pictureWidth - 4, visibleHeight - 4);
    drawBevel(p, face, 0, 1, Palette::windowFrameLight, Palette::windowFrameDark);
    drawBevel(p, face.adjusted(3, 3, -3, -3), 0, 1, Palette::windowFrameDark.lighter(150),
              Palette::windowFrameLight.darker(110));

    const QRectF panel(panelInset, panelInset, pictureWidth - 2 * panelInset,
                       visibleHeight - 2 * panelInset);
    drawBevel(p, panel, panelRadius, 2, Palette::windowFrameDark, Palette::windowFrameLight);
    p.setPen(Qt::NoPen);
    p.setBrush(panelFill);
    p.drawRoundedRect(panel, panelRadius, panelRadius);
    return image;
}

} // namespace

QImage registrationBackground()
{
    constexpr int visibleHeight = 219;
    QImage image = framedPanel(220, visibleHeight, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QPainterPath title = textPath(QStringLiteral("Регистрация"),
                                        dejaVu(QStringLiteral("DejaVu Sans"), 22, QFont::Bold),
                                        QRectF(0, 16, 422, 26), Qt::AlignHCenter);
    QLinearGradient red(0, 16, 0, 42);
    red.setColorAt(0, QColor(255, 92, 72));
    red.setColorAt(1, QColor(210, 0, 0));
    drawLettering(p, title, red, QColor(90, 0, 0), 1.2, QColor(70, 20, 20), {1.5, 1.5});

    drawSmallText(p, QStringLiteral("пожалуйста введите Ваши данные"),
                  dejaVu(QStringLiteral("DejaVu Sans"), 13), QRectF(0, 46, 422, 16),
                  Qt::AlignHCenter, QColor(255, 240, 0));

    // Captions to the left of the three text fields, whose rows start at 78, 102 and 126.
    const QFont caption = dejaVu(QStringLiteral("DejaVu Sans"), 13, QFont::Bold);
    const char *const names[] = {"Имя", "Фамилия", "Отчество"};
    for (int i = 0; i < 3; ++i) {
        const QRectF field(102, 78 + 24 * i, 290, 20);
        drawSmallText(p, QString::fromUtf8(names[i]), caption,
                      QRectF(20, field.top(), 75, field.height()), Qt::AlignRight,
                      QColor(40, 230, 40));
        // A recess for the field, so the white box looks set into the panel.
        p.setPen(QPen(QColor(70, 96, 128), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(field.adjusted(-1.5, -1.5, 0.5, 0.5), 2, 2);
    }

    // A fine rule above the row of buttons.
    QLinearGradient rule(24, 0, 398, 0);
    rule.setColorAt(0, QColor(0, 0, 0));
    rule.setColorAt(0.5, QColor(60, 100, 170));
    rule.setColorAt(1, QColor(0, 0, 0));
    p.setPen(QPen(QBrush(rule), 1));
    p.drawLine(QPointF(24, 157.5), QPointF(398, 157.5));
    return image;
}

QImage splashBackground()
{
    constexpr int visibleHeight = 145;
    QLinearGradient grey(0, panelInset, 0, visibleHeight - panelInset);
    grey.setColorAt(0, QColor(242, 243, 240));
    grey.setColorAt(1, QColor(214, 219, 226));
    QImage image = framedPanel(147, visibleHeight, grey);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPoint letterOrigin(31, 25);
    Logo::drawDisc(p, letterOrigin);

    // A groove between the loading message and the notice lines, fading out at both ends.
    const auto fading = [](const QColor &colour) {
        QLinearGradient g(60, 0, 400, 0);
        g.setColorAt(0, QColor(colour.red(), colour.green(), colour.blue(), 0));
        g.setColorAt(0.2, colour);
        g.setColorAt(0.8, colour);
        g.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 0));
        return QBrush(g);
    };
    p.setPen(QPen(fading(QColor(150, 162, 182)), 1));
    p.drawLine(QPointF(60, 83.5), QPointF(400, 83.5));
    p.setPen(QPen(fading(QColor(252, 252, 250)), 1));
    p.drawLine(QPointF(60, 84.5), QPointF(400, 84.5));
    p.end();

    Logo::drawLetter(image, letterOrigin, qRgb(255, 246, 252));
    return image;
}
