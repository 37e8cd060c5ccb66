#pragma once

class QWidget;

// Gives a top-level window with an empty caption an empty name in the window system too. Qt
// names such a window after the application ("quorvane"), which a task bar would show. Only the
// X window system is concerned; elsewhere, and for a window with a caption, nothing is done.
void keepEmptyCaptionNameless(QWidget &window);
