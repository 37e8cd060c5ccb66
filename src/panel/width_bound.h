#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QStringView>

#include <vector>

// An upper bound of a text's width in a font from the advances of its characters, each measured
// alone once: far cheaper than shaping the text, and close enough to tell a text well inside its
// room from one that has to be measured.
class WidthBound final
{
public:
    explicit WidthBound(const QFont &font);

    // The advance of a character measured alone, or a negative number when shaping may change
    // it beyond the margin (surrogates, combining marks, controls, scripts that join or reorder,
    // characters the font itself lacks).
    qreal advance(QChar c)
    {
        const float known = m_advances[c.unicode()];
        return known == known ? known : measure(c); // NaN, the only value unequal to itself
    }
    // What shaping the pair adds to the two advances (kerning, a ligature), measured once; never
    // less than nothing, so that a sum stays a bound.
    qreal widening(QChar before, QChar after);
    // The widest a run can be whose advances and pair widenings add up to `sum`: the rounding of
    // positions stays within this margin.
    static qreal inflated(qreal sum) { return sum * 1.03 + 2; }

private:
    qreal measure(QChar c);

    QFontMetricsF m_metrics;
    QRawFont m_primary;            // a character from a fallback font may change the line's height
    std::vector<float> m_advances; // by UTF-16 code unit; NaN until measured
    QHash<quint32, float> m_widenings; // by the pair's two code units
};
