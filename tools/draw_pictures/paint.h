#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>

class QImage;
class QPainter;

// A DejaVu face at a pixel size. Every picture is lettered in DejaVu so that a re-run draws the
// same pictures; a face that does not resolve is reported by fontProblems().
QFont dejaVu(const QString &family, int pixelSize, int weight = QFont::Normal, bool italic = false);
QStringList fontProblems();

// A bevel of the given width around the rounded rectangle inner: its top and left edges in one
// colour, its bottom and right edges in the other. Raised: light first; sunken: dark first.
void drawBevel(QPainter &p, const QRectF &inner, qreal radius, qreal width, const QColor &topLeft,
               const QColor &bottomRight);

// The outline of text, aligned within a box: horizontally by its drawn extent, vertically with
// its capital letters centred, so words of different shapes sit on one line.
QPainterPath textPath(const QString &text, const QFont &font, const QRectF &box,
                      Qt::Alignment align);

// Lettering with an optional outline and drop shadow.
void drawLettering(QPainter &p, const QPainterPath &path, const QBrush &fill,
                   const QColor &outline = {}, qreal outlineWidth = 0, const QColor &shadow = {},
                   QPointF shadowOffset = {1, 1});

// Small text drawn with hinting, crisper than a path at button sizes; same alignment rule.
void drawSmallText(QPainter &p, const QString &text, const QFont &font, const QRectF &box,
                   Qt::Alignment align, const QColor &colour, const QColor &shadow = {});

QColor mix(const QColor &a, const QColor &b, qreal t);

// Writes an uncompressed 24-bit bitmap; returns what went wrong, or an empty string.
QString saveBitmap(const QImage &image, const QString &path);
