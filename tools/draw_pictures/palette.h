#pragma once

#include <QColor>

// Colours shared between pictures that are shown one on another.
namespace Palette {

// The outermost pixels of the main window's outline.
inline const QColor skinRim{15, 80, 112};
// The well in the skin where the action button sits; the action faces' corners take it.
inline const QColor actionWell{10, 22, 66};
// The frame of the registration and splash windows.
inline const QColor windowFrame{96, 144, 191};
inline const QColor windowFrameLight{176, 208, 236};
inline const QColor windowFrameDark{36, 72, 120};
// Button lettering.
inline const QColor faceYellow{255, 232, 40};

} // namespace Palette
