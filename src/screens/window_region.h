#pragma once

class QRegion;
class QWidget;

// Gives a top-level window its outline: from now on it is drawn, and takes mouse input, only
// inside the region (window coordinates, (0, 0) at its top-left corner), also while hidden and
// when shown later. An empty region makes the window wholly invisible.
void SetWindowRgn(QWidget &window, const QRegion &region, bool redraw);
