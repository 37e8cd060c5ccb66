#pragma once

#include <QImage>
#include <QStringList>

#include <array>

// The main window's skin: the whole face of the window on a pure white surround. White is the
// key colour of the window's outline, so the outline and the logo's see-through letter are
// exactly the skin's white pixels.
namespace Skin {

inline constexpr int width = 689;
inline constexpr int height = 480;

// The covered columns of one row of the outline, first to last inclusive.
struct Span
{
    int first;
    int last;
};
std::array<Span, height> outline();

QImage draw();

// Checks every figure the window's outline depends on; returns what is off.
QStringList check(const QImage &skin);

} // namespace Skin
