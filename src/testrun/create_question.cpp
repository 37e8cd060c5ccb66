#include "frm_main.h"

#include "answer_code.h"
#include "main_layout.h"
#include "panel/question_panel.h"
#include "screens/runtime.h"
#include "screens/scale.h"
#include "screens/values.h"
#include "shell/program.h"
#include "store/question_values.h"

#include <QDir>

namespace {

template <class Control, class IsTicked>
qint16 takeAnswers(ControlArray<Control> &answers, IsTicked isTicked)
{
    std::array<bool, 4> ticked{};
    for (int k = 1; k <= 4; ++k)
        ticked[k - 1] = isTicked(answers(k));
    for (int k = 1; k <= 4; ++k)
        answers.Unload(k);
    return answerCode(ticked);
}

} // namespace

void frmMain::CreateQuestion()
{
    if (state().QuestionNo < TestRunState::TestLength)
        drawQuestion();
    else
        showResult();
}

// The draw and the presentation. The progress bar and Label7 are set before the session draws and
// selects the question, so that an error in either finds them as far as a bank in this process
// would.
void frmMain::drawQuestion()
{
    TestRunState &run = state();
    ++run.QuestionNo;
    setProgress();
    presentQuestion(run.Session->question());
}

void frmMain::setProgress()
{
    const TestRunState &run = state();
    setWidth(*m_ui->lblProgress,
             static_cast<float>(run.QuestionNo * (1185.0 / TestRunState::TestLength)));
    m_ui->Label7->setText(QString::number(run.QuestionNo));
}

void frmMain::presentQuestion(const QuestionValues &question)
{
    ::presentQuestion(*m_ui, *m_answers, question,
                      QDir(m_runtime.appPath()).filePath(QStringLiteral("pictures")));
}

// Scoring: the window reads the ticks and unloads the answers; the session compares and counts.
void frmMain::scoreAnswer()
{
    TestRunState &run = state();
    run.AnswerCode = 0;
    if (Option1.Count() > 1)
        run.AnswerCode = takeAnswers(Option1, [](const QRadioButton &b) { return Value(b); });
    else if (Check1.Count() > 1)
        run.AnswerCode = takeAnswers(Check1, [](const QCheckBox &b) { return Value(b) == 1; });
    run.Session->score(run.AnswerCode);
}

// The result.
void frmMain::showResult()
{
    TestRunState &run = state();
    run.TestRunning = false;
    run.RightCount = run.Session->rightCount();
    if (run.RightCount >= TestRunState::PassMark)
        m_ui->Label13->setText(QStringLiteral("Тест сдан... Ура!!!"));
    else
        m_ui->Label13->setText(QStringLiteral("Тест не сдан..."));
    if (run.ExamMode)
        run.Session->recordResult();
    Timer1.setEnabled(false);
    m_ui->Picture4->setPicture(LoadResPicture(104));
    m_ui->Label14->setText(QStringLiteral("Время зачета: ") + m_ui->Label10->text());
    m_ui->Label15->setText(QStringLiteral("Вопросов в базе: ") + QString::number(run.LastId));
    m_ui->Label16->setText(QStringLiteral("Всего вопросов: 40"));
    m_ui->Label17->setText(QStringLiteral("Проходной бал: 32"));
    m_ui->Label18->setText(QStringLiteral("Всего правильных: ") + QString::number(run.RightCount));
    m_ui->Frame1->setVisible(true);
    m_ui->Picture4->setEnabled(false);
}
