#include "frm_main.h"

#include "screens/runtime.h"
#include "screens/time_text.h"
#include "shell/program.h"
#include "testrun/main_layout.h"

void frmMain::Timer1_Timer()
{
    TestRunState &run = state();
    run.TimeLeft -= 1.0 / SecondsPerDay;
    m_ui->Label5->setText(Right(timeText(run.TimeLeft), 5));
    // The text decides, not the number: the residue after 181 steps still reads 00:00.
    if (m_ui->Label5->text() == QLatin1String("00:00")) {
        Picture4_Click();
        run.TimeLeft = TestRunState::QuestionTime;
    }
}

void frmMain::Timer2_Timer()
{
    TestRunState &run = state();
    m_ui->Label2->setText(dateText(m_runtime.Date()));
    m_ui->Label3->setText(timeText(m_runtime.Time()));
    run.ElapsedTime = m_runtime.Time() - run.StartTime;
    // Past midnight the time of day starts again from 0: count the day that passed.
    if (run.ElapsedTime < 0)
        run.ElapsedTime += 1;
    m_ui->Label10->setText(timeText(run.ElapsedTime));
}
