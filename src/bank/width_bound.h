#pragma once

#include <QFont>
#include <QFontMetricsF>
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
    // The widest shaping can make a run whose advances add up to `sum`: kerning and the
    // rounding of positions stay within this margin for the characters `advance` takes.
    static qreal inflated(qreal sum) { return sum * 1.03 + 2; }

private:
    qreal measure(QChar c);

    QFontMetricsF m_metrics;
    QRawFont m_primary;            // a character from a fallback font may change the line's height
    std::vector<float> m_advances; // by UTF-16 code unit; NaN until measured
};
