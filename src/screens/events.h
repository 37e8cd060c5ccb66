#pragma once

#include <functional>

class QWidget;
class Runtime;

// The mouse arguments a handler receives: the button (1 left, 2 right, 4 middle), the shift
// state (1 Shift, 2 Ctrl, 4 Alt) and the place in the control's own scale.
struct MouseArgs
{
    int button = 0;
    int shift = 0;
    float x = 0;
    float y = 0;
};

using MouseHandler = std::function<void(const MouseArgs &)>;

// Hooks a control's mouse events to the program's handlers. Every handler runs under the
// runtime's error policy. The order is MouseDown, MouseUp, then Click when the button went down
// and up over the control; a disabled control raises nothing. The second press of a double
// click raises MouseDown and MouseUp but no Click, so a hurried double click acts once.
void onMouseDown(QWidget &control, Runtime &runtime, MouseHandler handler);
void onMouseUp(QWidget &control, Runtime &runtime, MouseHandler handler);
void onClick(QWidget &control, Runtime &runtime, std::function<void()> handler);
