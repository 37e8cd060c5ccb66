#pragma once

#include <QRegion>

class PictureBox;
class QImage;

// The window region cut out of a key-coloured picture: exactly the pixels (x, y) with
// 0 <= x < width, 0 <= y < height whose packed RGB colour differs from the key, one rectangle per
// maximal horizontal run, added row by row from the top and left to right.
QRegion regionFromImage(const QImage &image, int width, int height, qint64 key);

// The same for a picture box: its width and height are read in its container's scale, rounded
// to whole pixels (ties to even), and its pixels from its own drawing surface.
QRegion RegionFromPicture(const PictureBox &pic, const qint64 &TransparentColor);
