#pragma once

class QCheckBox;
class QRadioButton;

// Value of a check box: 1 ticked, 0 not, 2 greyed.
int Value(const QCheckBox &box);
void setValue(QCheckBox &box, int value);
// Value of an option button: true when chosen. Choosing one clears the others in its container.
bool Value(const QRadioButton &button);
void setValue(QRadioButton &button, bool value);
