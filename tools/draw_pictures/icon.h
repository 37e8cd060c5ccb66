#pragma once

#include <QByteArray>

// The program icon: a white compact computer with a grey screen above its keyboard, at 32x32
// and 16x16, in the 16 standard colours with a transparency mask, as the bytes of an .ico file.
QByteArray iconFile();
