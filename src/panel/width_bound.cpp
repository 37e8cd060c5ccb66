#include "width_bound.h"

#include <algorithm>
#include <limits>

namespace {

// Characters that keep their own advance in a line of text: the scripts of the banks and the
// punctuation, digits and symbols they share; nothing that joins, reorders or combines.
bool standsAlone(QChar c)
{
    if (c.unicode() < 0x20 || c.isSurrogate())
        return false;
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        break;
    }
    switch (c.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Cyrillic:
    case QChar::Script_Greek:
        return true;
    default:
        return false;
    }
}

} // namespace

WidthBound::WidthBound(const QFont &font)
    : m_metrics(font), m_primary(QRawFont::fromFont(font)),
      m_advances(0x10000, std::numeric_limits<float>::quiet_NaN())
{}

qreal WidthBound::measure(QChar c)
{
    float &known = m_advances[c.unicode()];
    known = standsAlone(c) && m_primary.supportsCharacter(c)
                ? float(m_metrics.horizontalAdvance(QString(c)))
                : -1.0f;
    return known;
}

qreal WidthBound::widening(QChar before, QChar after)
{
    const quint32 pair = quint32(before.unicode()) << 16 | after.unicode();
    const auto known = m_widenings.constFind(pair);
    if (known != m_widenings.cend())
        return *known;
    const qreal shaped = m_metrics.horizontalAdvance(QString(before) + after);
    const float added = float(std::max<qreal>(0, shaped - advance(before) - advance(after)));
    m_widenings.insert(pair, added);
    return added;
}
