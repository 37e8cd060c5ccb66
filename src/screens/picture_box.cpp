#include "picture_box.h"

#include "scale.h"

#include <QPainter>

#include <cmath>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const Picture &picture)
{
    // Nothing to redraw when an empty box is emptied again or gets the picture it shows.
    if (picture.isNull() ? m_picture.isNull() : picture.cacheKey() == m_picture.cacheKey())
        return;
    // Kept in the surface's own format, so drawing it is a plain copy.
    m_picture = picture.isNull() || picture.format() == QImage::Format_RGB32
                    ? picture
                    : picture.convertToFormat(QImage::Format_RGB32);
    m_surface = QImage();
    update();
}

void PictureBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    m_surface = QImage();
    update();
}

qint64 PictureBox::Point(float x, float y) const
{
    const float unit = scaleModeOf(this) == ScaleMode::Twips ? TwipsPerPixel : 1.0f;
    const int px = static_cast<int>(std::floor(x / unit));
    const int py = static_cast<int>(std::floor(y / unit));
    const QImage &surface = hDC();
    if (!surface.valid(px, py))
        return -1;
    return packedRgb(surface.pixel(px, py));
}

const QImage &PictureBox::hDC() const
{
    // Invalidated by clearing it; a box of no size has the null image as its surface.
    if (m_surface.size() != size()) {
        // A picture that fills the box exactly is its surface; nothing to compose.
        if (m_picture.size() == size() && !m_picture.hasAlphaChannel())
            return m_surface = m_picture;
        m_surface = QImage(size(), QImage::Format_RGB32);
        if (!m_surface.isNull()) {
            m_surface.fill(m_backColor);
            QPainter painter(&m_surface);
            painter.drawImage(0, 0, m_picture);
        }
    }
    return m_surface;
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, hDC());
}

void PictureBox::resizeEvent(QResizeEvent *)
{
    m_surface = QImage();
}

ImageControl::ImageControl(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ImageControl::setPicture(const Picture &picture)
{
    m_picture = picture;
    if (!picture.isNull())
        resize(picture.size());
    update();
}

void ImageControl::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

qint64 packedRgb(QRgb rgb)
{
    return qRed(rgb) + 256 * qGreen(rgb) + 65536 * qBlue(rgb);
}
