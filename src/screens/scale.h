#pragma once

class QWidget;

// Places and sizes in the unit of the control's container: twips (15 to a pixel at 96 dots per
// inch) or pixels. A value written is kept exactly and read back as written, while the widget
// itself sits at the nearest whole pixel.

inline constexpr float TwipsPerPixel = 15.0f;

enum class ScaleMode { Twips, Pixels };

void setScaleMode(QWidget &container, ScaleMode mode);
// Twips unless the container was set to pixels; a top-level window's place is in twips.
ScaleMode scaleModeOf(const QWidget *container);

float Left(const QWidget &control);
float Top(const QWidget &control);
float Width(const QWidget &control);
float Height(const QWidget &control);

void setLeft(QWidget &control, float value);
void setTop(QWidget &control, float value);
void setWidth(QWidget &control, float value);
void setHeight(QWidget &control, float value);
