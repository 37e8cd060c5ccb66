#include "control_array.h"

#include "scale.h"

void copyControlLook(const QWidget &from, QWidget &to)
{
    to.setGeometry(from.geometry());
    for (const char *property : {"_scaleLeft", "_scaleTop", "_scaleWidth", "_scaleHeight"})
        to.setProperty(property, from.property(property));
    to.setFont(from.font());
    to.setPalette(from.palette());
    to.setAutoFillBackground(from.autoFillBackground());
    to.setStyleSheet(from.styleSheet());
    to.setFocusPolicy(from.focusPolicy());
    to.setEnabled(from.isEnabled());
    to.setHidden(true);

    // Stack the copy under whatever sibling lay directly above the template.
    if (QWidget *parent = from.parentWidget()) {
        const QObjectList &siblings = parent->children();
        const auto self = siblings.indexOf(const_cast<QWidget *>(&from));
        for (auto i = self + 1; i < siblings.size(); ++i) {
            auto *above = qobject_cast<QWidget *>(siblings.at(i));
            if (above && above != &to) {
                to.stackUnder(above);
                break;
            }
        }
    }
}
