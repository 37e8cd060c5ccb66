#include "values.h"

#include <QCheckBox>
#include <QRadioButton>

int Value(const QCheckBox &box)
{
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setValue(QCheckBox &box, int value)
{
    box.setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

bool Value(const QRadioButton &button)
{
    return button.isChecked();
}

void setValue(QRadioButton &button, bool value)
{
    button.setChecked(value);
}
