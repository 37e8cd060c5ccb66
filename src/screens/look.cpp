#include "look.h"

#include <QApplication>
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
    app.setStyle(new ProgramStyle);
}
