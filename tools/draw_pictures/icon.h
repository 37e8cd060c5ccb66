#pragma once

#include <QByteArray>

class QImage;

// The program icon: a white compact computer with a grey screen above its keyboard, at 32x32
// and 16x16, in the 16 standard colours with a transparency mask, as the bytes of an .ico file.
QByteArray iconFile();

// One image of that icon, 16 or 32 pixels square, transparent where the mask is set.
QImage iconPixels(int size);
