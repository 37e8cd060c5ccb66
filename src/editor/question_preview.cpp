#include "question_preview.h"

#include "panel/question_panel.h"
#include "store/question_values.h"
#include "store/runtime_error.h"

QuestionPreview::QuestionPreview(QWidget *parent) : PictureBox(parent)
{
    setUpQuestionPanel(m_ui, *this);
    m_answers = std::make_unique<PanelAnswers>(m_ui);
    setFixedSize(size());
    // The panel as a running test shows it: the start hint covered, the separator drawn.
    m_ui.Picture2->setVisible(true);
    m_ui.Line1->setVisible(true);
    setFocusPolicy(Qt::NoFocus);
    for (QWidget *child : findChildren<QWidget *>())
        child->setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Вопрос, как его увидит экзаменуемый"));
}

QuestionPreview::~QuestionPreview() = default;

void QuestionPreview::unloadAnswers()
{
    // From the last, so that the elements left are always 0 to Count() - 1.
    for (int k = 4; k >= 1; --k) {
        if (m_answers->Option1.Count() > k)
            m_answers->Option1.Unload(k);
        if (m_answers->Check1.Count() > k)
            m_answers->Check1.Unload(k);
    }
}

QString QuestionPreview::showQuestion(const QuestionValues &question, const QString &picturesFolder,
                                      const std::optional<std::array<bool, 4>> &right)
{
    unloadAnswers();
    QString failure;
    try {
        presentQuestion(m_ui, *m_answers, question, picturesFolder);
    } catch (const RuntimeError &error) {
        failure = error.description();
        // The exam would stop here; the preview shows the rest without the picture.
        unloadAnswers();
        QuestionValues rest = question;
        rest.picture = FieldValue::null();
        try {
            presentQuestion(m_ui, *m_answers, rest, picturesFolder);
        } catch (const RuntimeError &) {
        }
    }
    if (right) {
        for (int k = 1; k <= 4; ++k) {
            if (m_answers->Option1.Count() > k)
                m_answers->Option1(k).setChecked((*right)[k - 1]);
            if (m_answers->Check1.Count() > k)
                m_answers->Check1(k).setChecked((*right)[k - 1]);
        }
    }
    return failure;
}
