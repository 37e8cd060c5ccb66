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

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

PanelFit::PanelFit()
    : m_ui(setUpMainLayout(m_window)), m_questionFont(m_ui->Label6->font()),
      m_answerFont(m_ui->Option1_0->font()), m_label(m_ui->Label6->size()),
      m_optionText(captionRoom(*m_ui->Option1_0)), m_checkText(captionRoom(*m_ui->Check1_0))
{}

PanelFit::~PanelFit() = default;

QString PanelFit::questionProblem(const QString &text)
{
    const auto known = m_questions.constFind(text);
    if (known != m_questions.cend())
        return *known;
    QString problem;
    // One line that fits needs no wrapping to be sure of.
    if (hasLineBreak(text) || m_questionFont.horizontalAdvance(text) > m_label.width()) {
        const QRect needed =
            m_questionFont.boundingRect(QRect(0, 0, m_label.width(), 100000),
                                        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
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
    m_questions.insert(text, problem);
    return problem;
}

QString PanelFit::answerProblem(const QString &text, bool checkBox)
{
    const QString key = (checkBox ? QLatin1Char('1') : QLatin1Char('0')) + text;
    const auto known = m_answers.constFind(key);
    if (known != m_answers.cend())
        return *known;
    QString problem;
    const int room = checkBox ? m_checkText : m_optionText;
    if (hasLineBreak(text)) {
        problem = QStringLiteral("в тексте есть перевод строки, а строка ответа вмещает одну "
                                 "строку текста");
    } else {
        const int width = m_answerFont.horizontalAdvance(text);
        if (width > room)
            problem = QStringLiteral("текст шириной %1 точек не помещается в строку ответа: "
                                     "места %2 точек, конец обрежется")
                          .arg(width)
                          .arg(room);
    }
    m_answers.insert(key, problem);
    return problem;
}
