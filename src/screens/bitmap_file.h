#pragma once

#include <QByteArray>
#include <QImage>

// Reads an uncompressed 24-bit device-independent bitmap, the kind every picture of the program
// is, straight into an image of the surface format. Far cheaper than the general image reader,
// which start-up would otherwise spend most of its picture time in. Returns a null image for any
// other kind of file, which the general reader then takes.
QImage decodeBitmap24(const QByteArray &file);
