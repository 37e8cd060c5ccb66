#include "panel_fit.h"

#include "testrun/main_layout.h"
#include "ui_frm_main.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

namespace {

// The width a button leaves for its caption: its own width less what the style adds to the text
// for the indicator and the spacing.
int captionRoom(QAbstractButton &button)
{
    const QString layoutText = button.text();
    const QString probe = QStringLiteral("Ж");
    button.setText(probe);
    const int added =
        button.sizeHint().width() -
        button.style()
            ->itemTextRect(button.fontMetrics(), QRect(), Qt::TextShowMnemonic, false, probe)
            .width();
    button.setText(layoutText);
    return button.width() - added;
}

bool hasLineBreak(QStringView text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

constexpr int WrappedText = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// How many lines the label shows whole, measured as the exact check measures: the most words of
// one line each that it holds. At least one, as a single line that fits is never reported.
int visibleLines(const QFontMetrics &font, QSize label)
{
    QString words = QStringLiteral("Ж");
    int lines = 0;
    while (font.boundingRect(QRect(0, 0, 1, 100000), WrappedText, words).height() <=
           label.height()) {
        ++lines;
        words += QStringLiteral(" Ж");
    }
    return std::max(1, lines);
}

// The sum of the text's advances, or a negative number when only shaping can tell its width.
qreal advanceSum(WidthBound &bound, QStringView text)
{
    qreal sum = 0;
    for (const QChar c : text) {
        const qreal advance = bound.advance(c);
        if (advance < 0)
            return -1;
        sum += advance;
    }
    return sum;
}

// Letters and digits of the alphabetic scripts, after which and before which the layout may break
// a line at spaces; closing punctuation may end a line too.
bool startsWord(QChar c)
{
    return c.isLetterOrNumber() && c.unicode() < 0x2000;
}

bool endsWord(QChar c)
{
    return startsWord(c) || QStringView(u".,;:!?)").contains(c);
}

} // namespace

PanelFit::PanelFit()
    : m_ui(setUpMainLayout(m_window)), m_questionFont(m_ui->Label6->font()),
      m_answerFont(m_ui->Option1_0->font()), m_label(m_ui->Label6->size()),
      m_optionText(captionRoom(*m_ui->Option1_0)), m_checkText(captionRoom(*m_ui->Check1_0)),
      m_visibleLines(visibleLines(m_questionFont, m_label)),
      m_overhang(std::max(0.0, -QFontMetricsF(m_ui->Label6->font()).minRightBearing())),
      m_questionBound(m_ui->Label6->font()), m_answerBound(m_ui->Option1_0->font())
{}

PanelFit::~PanelFit() = default;

QString PanelFit::questionProblem(QStringView view)
{
    if (questionSurelyFits(view))
        return QString();
    const QString text = view.toString();
    QString problem;
    // One line that fits needs no wrapping to be sure of.
    if (hasLineBreak(text) || m_questionFont.horizontalAdvance(text) > m_label.width()) {
        const QRect needed =
            m_questionFont.boundingRect(QRect(0, 0, m_label.width(), 100000), WrappedText, text);
        const int lineHeight = m_questionFont.lineSpacing();
        if (needed.width() > m_label.width())
            problem = QStringLiteral("в тексте вопроса есть слово шире надписи (%1 точек): оно "
                                     "обрежется")
                          .arg(m_label.width());
        else if (needed.height() > m_label.height())
            problem = QStringLiteral("текст вопроса не помещается в надпись %1 × %2: нужно строк "
                                     "— %3, видно — %4")
                          .arg(m_label.width())
                          .arg(m_label.height())
                          .arg((needed.height() + lineHeight - 1) / lineHeight)
                          .arg(m_label.height() / lineHeight);
    }
    return problem;
}

QString PanelFit::answerProblem(QStringView text, bool checkBox)
{
    if (hasLineBreak(text))
        return QStringLiteral("в тексте есть перевод строки, а строка ответа вмещает одну "
                              "строку текста");
    const int room = checkBox ? m_checkText : m_optionText;
    const qreal sum = advanceSum(m_answerBound, text);
    if (sum >= 0 && WidthBound::inflated(sum) <= room)
        return QString();
    const int width = m_answerFont.horizontalAdvance(text.toString());
    if (width > room)
        return QStringLiteral("текст шириной %1 точек не помещается в строку ответа: места %2 "
                              "точек, конец обрежется")
            .arg(width)
            .arg(room);
    return QString();
}

// Lays the text out greedily with the bounds of its widths, breaking only at spaces between
// words, where the label may surely break as well. The label breaks at least there, and its lines
// are no wider, so when this fits, the label's layout fits in as many lines or fewer.
bool PanelFit::questionSurelyFits(QStringView text)
{
    const qreal room = m_label.width() - m_overhang;
    int lines = 0;
    qreal line = 0;   // without the spaces after its last word
    qreal spaces = 0; // those spaces, which count only if another word joins the line
    const auto place = [&](qreal word) {
        if (lines > 0 && WidthBound::inflated(line + spaces + word) <= room) {
            line += spaces + word;
        } else {
            ++lines;
            line = word;
        }
        return lines <= m_visibleLines && WidthBound::inflated(line) <= room;
    };
    const qreal space = m_questionBound.advance(QLatin1Char(' '));
    qreal word = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != QLatin1Char(' ')) {
            const qreal advance = m_questionBound.advance(text[i++]);
            if (advance < 0)
                return false;
            word += advance;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && text[i] == QLatin1Char(' '))
            ++i;
        const qreal run = space * qreal(i - start);
        if (start > 0 && i < text.size() && endsWord(text[start - 1]) && startsWord(text[i])) {
            if (!place(word))
                return false;
            word = 0;
            spaces = run;
        } else {
            word += run; // leading, trailing or kept with its neighbours
        }
    }
    return place(word);
}
