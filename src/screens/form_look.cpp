#include "form_look.h"

#include <QPalette>
#include <QPixmap>
#include <QWidget>

void setBackgroundPicture(QWidget &window, const Picture &picture)
{
    QPalette palette = window.palette();
    palette.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(picture)));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
}

void setFontPoints(QWidget &control, double points)
{
    QFont font = control.font();
    font.setPointSizeF(points);
    control.setFont(font);
}
