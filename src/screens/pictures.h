#pragma once

#include <QImage>
#include <QString>

// A picture is an image, or the empty picture (a null image) that clears a box.
using Picture = QImage;

// A bitmap file; a missing or unreadable file is a runtime error naming its full path.
Picture LoadPicture(const QString &path);
// True when LoadPicture reads the file without an error. Cheap for the usual kind of bitmap,
// whose header tells it all; any other kind is read whole.
bool isReadablePicture(const QString &path);
// A bitmap resource built into the program (the action-button faces are 101 to 104).
Picture LoadResPicture(int id);
// A picture of the window layouts, by its name in the program's resources.
Picture layoutPicture(const QString &name);
