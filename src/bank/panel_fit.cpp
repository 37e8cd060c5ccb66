#include "panel_fit.h"

#include "testrun/main_layout.h"
#include "ui_frm_main.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

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

} // namespace

PanelFit::PanelFit()
    : m_ui(setUpMainLayout(m_window)), m_questionFont(m_ui->Label6->font()),
      m_answerFont(m_ui->Option1_0->font()), m_label(m_ui->Label6->size()),
      m_optionText(captionRoom(*m_ui->Option1_0)), m_checkText(captionRoom(*m_ui->Check1_0)),
      m_questionBound(m_ui->Label6->font()), m_answerBound(m_ui->Option1_0->font())
{}

PanelFit::~PanelFit() = default;

QString PanelFit::questionProblem(QStringView view)
{
    // One line that fits needs no wrapping to be sure of. A text that wraps is always laid out:
    // the layout may report a wrapped line up to a point wider than its words, so whether a
    // line overflows the label cannot be told from a bound.
    const qreal sum = advanceSum(m_questionBound, view);
    if (sum >= 0 && WidthBound::inflated(sum) <= m_label.width())
        return QString();
    const QString text = view.toString();
    QString problem;
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
