#pragma once

#include <QImage>

// The backgrounds of the registration and splash windows. Each is taller than its window; the
// frame is drawn for the rows the window shows and the hidden rows are plain frame colour.
QImage registrationBackground();
QImage splashBackground();
