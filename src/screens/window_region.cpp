#include "window_region.h"

#include <QRegion>
#include <QWidget>

void SetWindowRgn(QWidget &window, const QRegion &region, bool redraw)
{
    // The native window must exist for the outline to reach the window system while hidden.
    window.winId();
    // An empty mask means "no mask" to Qt; a region outside the window hides all of it instead.
    window.setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
    if (redraw)
        window.update();
}
