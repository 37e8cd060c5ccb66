#pragma once

#include <QByteArray>

class QImage;

// The program icon for the desktop's icon theme. The 16 and 32 pixel images are the window
// icon's own pixels; larger ones draw the same picture as shapes on its 32-unit grid, so the
// computer keeps its proportions and stays sharp at any size.
QImage themeIcon(int size);

// The same shapes as a scalable picture (SVG text).
QByteArray themeIconSvg();
