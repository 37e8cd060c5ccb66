#pragma once

#include "pictures.h"

#include <QColor>
#include <QWidget>

// A box that shows a picture at its top-left corner, clipped, over its background colour.
// Its drawing surface is an image of its own, so its pixels can be read while it is hidden.
class PictureBox : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    const Picture &picture() const { return m_picture; }
    void setPicture(const Picture &picture);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &color);

    // The colour at a point given in the box's own scale, as a packed RGB value
    // (red + 256 * green + 65536 * blue). A point outside the box gives -1.
    qint64 Point(float x, float y) const;

    // The drawing surface: the background with the picture drawn on it, the box's size.
    const QImage &hDC() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Picture m_picture;
    QColor m_backColor = Qt::white;
    mutable QImage m_surface;
};

// An image control: a picture without a background, exactly as large as its picture. It has no
// window of its own and takes no focus.
class ImageControl : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageControl)

public:
    explicit ImageControl(QWidget *parent = nullptr);

    const Picture &picture() const { return m_picture; }
    void setPicture(const Picture &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture;
};

// The packed RGB value of a colour: red + 256 * green + 65536 * blue.
qint64 packedRgb(QRgb rgb);
