#include "scale.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace {

enum class Axis { Left, Top, Width, Height };

const char *propertyName(Axis axis)
{
    switch (axis) {
    case Axis::Left:
        return "_scaleLeft";
    case Axis::Top:
        return "_scaleTop";
    case Axis::Width:
        return "_scaleWidth";
    case Axis::Height:
        return "_scaleHeight";
    }
    return "";
}

float unitOf(const QWidget &control)
{
    return scaleModeOf(control.parentWidget()) == ScaleMode::Twips ? TwipsPerPixel : 1.0f;
}

int pixelsOf(const QWidget &control, Axis axis)
{
    const QRect r = control.geometry();
    switch (axis) {
    case Axis::Left:
        return r.x();
    case Axis::Top:
        return r.y();
    case Axis::Width:
        return r.width();
    case Axis::Height:
        return r.height();
    }
    return 0;
}

float read(const QWidget &control, Axis axis)
{
    const float unit = unitOf(control);
    const int pixels = pixelsOf(control, axis);
    // The stored value holds only while the widget still sits where that value put it.
    const QVariant stored = control.property(propertyName(axis));
    if (stored.isValid() && std::lround(stored.toFloat() / unit) == pixels)
        return stored.toFloat();
    return static_cast<float>(pixels) * unit;
}

void write(QWidget &control, Axis axis, float value)
{
    const int pixels = static_cast<int>(std::lround(value / unitOf(control)));
    QRect r = control.geometry();
    switch (axis) {
    case Axis::Left:
        r.moveLeft(pixels);
        break;
    case Axis::Top:
        r.moveTop(pixels);
        break;
    case Axis::Width:
        r.setWidth(std::max(pixels, 0));
        break;
    case Axis::Height:
        r.setHeight(std::max(pixels, 0));
        break;
    }
    control.setGeometry(r);
    control.setProperty(propertyName(axis), value);
}

} // namespace

void setScaleMode(QWidget &container, ScaleMode mode)
{
    container.setProperty("_scalePixels", mode == ScaleMode::Pixels);
}

ScaleMode scaleModeOf(const QWidget *container)
{
    return container && container->property("_scalePixels").toBool() ? ScaleMode::Pixels
                                                                     : ScaleMode::Twips;
}

float Left(const QWidget &control)
{
    return read(control, Axis::Left);
}
float Top(const QWidget &control)
{
    return read(control, Axis::Top);
}
float Width(const QWidget &control)
{
    return read(control, Axis::Width);
}
float Height(const QWidget &control)
{
    return read(control, Axis::Height);
}

void setLeft(QWidget &control, float value)
{
    write(control, Axis::Left, value);
}
void setTop(QWidget &control, float value)
{
    write(control, Axis::Top, value);
}
void setWidth(QWidget &control, float value)
{
    write(control, Axis::Width, value);
}
void setHeight(QWidget &control, float value)
{
    write(control, Axis::Height, value);
}
