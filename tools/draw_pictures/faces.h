#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

enum class FaceColour { Blue, Red };

// A rounded, glossy button face with its word centred in yellow. The pixels outside the rounded
// body take the colour of the surface the face is shown on, so its corners blend in.
QImage buttonFace(QSize size, FaceColour colour, const QString &word, const QColor &surround,
                  const QColor &wordOutline = {});
