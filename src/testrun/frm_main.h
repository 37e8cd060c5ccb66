#pragma once

#include "screens/answer_rows.h"
#include "screens/control_array.h"
#include "screens/events.h"
#include "screens/form.h"
#include "screens/pictures.h"
#include "screens/timer.h"

#include <memory>

struct MainWindowUi;
struct PanelAnswers;
class Program;
struct QuestionValues;
struct TestRunState;

// The main window: the skin, the question panel, the status strip, the action button and the
// exit spot, with the test run's handlers.
class frmMain final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

    // First, so that the controls exist before the arrays and timers built on them.
    Program &m_program;
    std::unique_ptr<MainWindowUi> m_ui;
    std::unique_ptr<PanelAnswers> m_answers;

public:
    explicit frmMain(Program &program);
    ~frmMain() override;

    MainWindowUi &ui() { return *m_ui; }

    void Form_Load() override;
    // Starts the test, or submits the answer on screen; also the countdown's submit.
    void Picture4_Click();
    void Picture4_MouseDown(const MouseArgs &);
    void Picture4_MouseUp(const MouseArgs &);
    void Image1_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // The next question, or after the 40th the result.
    void CreateQuestion();

    // The window's own picture: it has none, and assigning it clears a box.
    Picture picture() const { return {}; }

    Timer Timer1;
    Timer Timer2;
    // The question panel's answer arrays.
    ControlArray<AnswerOption> &Option1;
    ControlArray<AnswerCheck> &Check1;

protected:
    void systemClose() override { Image1_Click(); }
    void showEvent(QShowEvent *event) override;

private:
    bool m_iconGiven = false;

    void drawQuestion();
    void setProgress();
    void presentQuestion(const QuestionValues &question);
    void scoreAnswer();
    void showResult();
    TestRunState &state();
};
