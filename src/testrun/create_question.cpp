#include "frm_main.h"

#include "answer_code.h"
#include "main_layout.h"
#include "panel/question_panel.h"
#include "panel/question_values.h"
#include "question_draw.h"
#include "screens/runtime.h"
#include "screens/scale.h"
#include "screens/values.h"
#include "shell/program.h"
#include "store/runtime_error.h"
#include "store/statements.h"

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

// Writes the result into the attempt record. A result the file would not take is shown with the
// error, so that the staff can write it down: the record still says "not passed".
void recordResult(TestRunState &run, const QString &examinee, const QDateTime &now)
{
    const bool passed = run.RightCount >= TestRunState::PassMark;
    std::optional<Database::Change> journal;
    if (run.JournalAttempt)
        journal = Journal::finish(*run.JournalAttempt, now, run.RightCount, passed);
    try {
        run.Basa->ExecuteWithJournal({passed ? Statements::RecordPass : Statements::RecordFail, {}},
                                     journal);
    } catch (const RuntimeError &error) {
        throw RuntimeError(
            error.number(),
            error.description() +
                QStringLiteral("\r\n\r\nРезультат теста НЕ ЗАПИСАН в базу. Сообщите его "
                               "экзаменатору: %1 — %2, правильных ответов %3 из %4.")
                    .arg(examinee,
                         passed ? QStringLiteral("тест сдан") : QStringLiteral("тест не сдан"))
                    .arg(run.RightCount)
                    .arg(TestRunState::TestLength),
            error.detail());
    }
}

} // namespace

void frmMain::CreateQuestion()
{
    if (state().QuestionNo < TestRunState::TestLength)
        drawQuestion();
    else
        showResult();
}

void frmMain::drawQuestion()
{
    TestRunState &run = state();
    ++run.QuestionNo;
    if (run.Keeper) {
        // The keeper draws; the window learns the question, not its id or its code.
        const QuestionValues question = run.Keeper->question();
        setProgress();
        presentQuestion(question);
        return;
    }
    const qint16 id = drawQuestionId(m_runtime, run.DrawnIds, run.QuestionNo - 1);
    run.DrawnIds[static_cast<std::size_t>(run.QuestionNo)] = id;
    setProgress();
    run.QuestionsRs = run.Basa->OpenRecordset(Statements::SelectQuestion(id));
    run.RightCode = run.QuestionsRs->Fields(QStringLiteral("ball"));
    presentQuestion(QuestionValues::fromRecord(*run.QuestionsRs));
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

void frmMain::scoreAnswer()
{
    TestRunState &run = state();
    run.AnswerCode = 0;
    if (Option1.Count() > 1)
        run.AnswerCode = takeAnswers(Option1, [](const QRadioButton &b) { return Value(b); });
    else if (Check1.Count() > 1)
        run.AnswerCode = takeAnswers(Check1, [](const QCheckBox &b) { return Value(b) == 1; });
    if (run.Keeper) {
        // The keeper scores; after the last answer it tells the count, already recorded.
        if (const std::optional<int> rightCount = run.Keeper->answer(run.AnswerCode))
            run.RightCount = *rightCount;
    } else if (equalsNumber(run.RightCode, run.AnswerCode)) {
        ++run.RightCount;
    }
}

void frmMain::showResult()
{
    TestRunState &run = state();
    run.TestRunning = false;
    if (run.RightCount >= TestRunState::PassMark)
        m_ui->Label13->setText(QStringLiteral("Тест сдан... Ура!!!"));
    else
        m_ui->Label13->setText(QStringLiteral("Тест не сдан..."));
    if (run.ExamMode && !run.Keeper)
        recordResult(run, m_program.frmUser->fullName(), m_runtime.now());
    Timer1.setEnabled(false);
    m_ui->Picture4->setPicture(LoadResPicture(104));
    m_ui->Label14->setText(QStringLiteral("Время зачета: ") + m_ui->Label10->text());
    m_ui->Label15->setText(QStringLiteral("Вопросов в базе: ") +
                           QString::number(static_cast<int>(run.DrawnIds.size()) - 2));
    m_ui->Label16->setText(QStringLiteral("Всего вопросов: 40"));
    m_ui->Label17->setText(QStringLiteral("Проходной бал: 32"));
    m_ui->Label18->setText(QStringLiteral("Всего правильных: ") + QString::number(run.RightCount));
    m_ui->Frame1->setVisible(true);
    m_ui->Picture4->setEnabled(false);
}
