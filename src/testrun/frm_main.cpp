#include "frm_main.h"

#include "main_layout.h"
#include "panel/question_panel.h"
#include "screens/runtime.h"
#include "screens/scale.h"
#include "shell/program.h"

#include <QIcon>

frmMain::frmMain(Program &program)
    : Form(program.runtime), m_program(program), m_ui(setUpMainLayout(*this)),
      m_answers(std::make_unique<PanelAnswers>(*m_ui)), Timer1(program.runtime, 1000, false, this),
      Timer2(program.runtime, 1000, false, this), Option1(m_answers->Option1),
      Check1(m_answers->Check1)
{
    setFixedSize(690, 493);
    setScaleMode(*this, ScaleMode::Pixels);

    m_ui->pic->setPicture(layoutPicture(QStringLiteral("skin.bmp")));
    m_ui->Picture4->setPicture(LoadResPicture(101));

    onMouseDown(*m_ui->Picture4, m_runtime, [this](const MouseArgs &a) { Picture4_MouseDown(a); });
    onMouseUp(*m_ui->Picture4, m_runtime, [this](const MouseArgs &a) { Picture4_MouseUp(a); });
    onClick(*m_ui->Picture4, m_runtime, [this] { Picture4_Click(); });
    onClick(*m_ui->Image1, m_runtime, [this] { Image1_Click(); });
    Timer1.onTimer([this] { Timer1_Timer(); });
    Timer2.onTimer([this] { Timer2_Timer(); });
    Timer2.setEnabled(true);
}

frmMain::~frmMain() = default;

void frmMain::showEvent(QShowEvent *event)
{
    // The icon is given as the window is first shown, before it is mapped: reading it loads the
    // icon image format, which the hidden window has no use for during start-up.
    if (!m_iconGiven) {
        m_iconGiven = true;
        setWindowIcon(QIcon(QStringLiteral(":/icons/quorvane.ico")));
    }
    Form::showEvent(event);
}

TestRunState &frmMain::state()
{
    return m_program.state;
}

void frmMain::Form_Load()
{
    setWidth(*m_ui->lblProgress, 10);
    state().StartTime = m_runtime.Time();
    state().RightCount = 0;
    m_ui->Picture4->setPicture(LoadResPicture(103));
}

void frmMain::Picture4_Click()
{
    TestRunState &run = state();
    if (!run.TestRunning) {
        run.TestRunning = true;
        Timer1.setEnabled(true);
        run.TimeLeft = TestRunState::QuestionTime;
        CreateQuestion();
        m_ui->Picture1->setPicture(picture());
        m_ui->Picture2->setVisible(true);
        m_ui->Line1->setVisible(true);
        return;
    }
    scoreAnswer();
    CreateQuestion();
    run.TimeLeft = TestRunState::QuestionTime;
}

void frmMain::Picture4_MouseDown(const MouseArgs &)
{
    m_ui->Picture4->setPicture(LoadResPicture(101));
}

void frmMain::Picture4_MouseUp(const MouseArgs &)
{
    m_ui->Picture4->setPicture(LoadResPicture(102));
}

void frmMain::Image1_Click()
{
    if (state().TestRunning) {
        const int answer = m_runtime.MsgBox(
            QStringLiteral("Вы не закончили тестирование, результаты засчитаны не будут\r\n"
                           "Вы уверены что хотите закрыть программу?"),
            vbYesNo);
        if (answer != vbYes)
            return;
    }
    m_program.frmMain.Unload();
    m_runtime.DoEvents();
    m_runtime.End();
}
