#pragma once

#include <QPoint>
#include <QPointF>
#include <QRgb>

#include <array>

class QImage;
class QPainter;

// The program's round logo: a gold-rimmed magenta disc carrying a letter Q.
namespace Logo {

// The letter, one string per row, '#' for its pixels. On the skin these pixels are the key
// colour, so the letter is see-through.
inline constexpr std::array<const char *, 20> letter = {
    "...####...", ".##....##.", ".#......#.", "#........#", "#........#",
    "##......##", "##......##", "##......##", "#........#", "#........#",
    ".#......#.", ".##....##.", "...####...", "....###...", ".....##...",
    "......##..", "......##..", ".......##.", ".......###", "........##",
};
inline constexpr int letterWidth = 10;
inline constexpr int letterHeight = static_cast<int>(letter.size());

// The disc around a letter whose top-left pixel is at origin.
void drawDisc(QPainter &p, QPoint letterOrigin);
void drawLetter(QImage &image, QPoint letterOrigin, QRgb colour);

} // namespace Logo
