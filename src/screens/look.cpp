#include "look.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>

namespace {

class ProgramStyle final : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return 11;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

void applyProgramLook(QApplication &app)
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    // Liberation Serif has the widths of Times New Roman, so the texts fit their labels as laid
    // out; DejaVu Serif is wider and stands in only where Liberation is missing.
    QFont::insertSubstitutions(
        QStringLiteral("Times New Roman"),
        {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    app.setStyle(new ProgramStyle);
}
