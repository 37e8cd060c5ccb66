#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Where the pixels of an uncompressed 24-bit device-independent bitmap lie, the kind every
// picture of the program is.
struct Bitmap24Layout
{
    qint32 width = 0;
    qint32 height = 0; // negative when the rows are stored top-down
    quint32 dataOffset = 0;
    qint64 stride = 0; // bytes a stored row takes, padding included
};

// The layout, when the file's first bytes `head` (at least 54) describe such a bitmap and the
// whole file, `fileSize` bytes, holds every pixel it declares.
std::optional<Bitmap24Layout> bitmap24Layout(const QByteArray &head, qint64 fileSize);

// Reads such a bitmap straight into an image of the surface format. Far cheaper than the general
// image reader, which start-up would otherwise spend most of its picture time in. Returns a null
// image for any other kind of file, which the general reader then takes.
QImage decodeBitmap24(const QByteArray &file);
