#pragma once

#include "pictures.h"

class QWidget;

// A window's picture, drawn from its top-left corner under all its controls.
void setBackgroundPicture(QWidget &window, const Picture &picture);

// Fractional point sizes of the layouts (9.75, 13.5), which the layout files cannot hold.
void setFontPoints(QWidget &control, double points);
