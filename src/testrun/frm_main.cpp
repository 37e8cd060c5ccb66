#include "frm_main.h"

#include "screens/events.h"
#include "screens/form_look.h"
#include "screens/pictures.h"
#include "screens/runtime.h"
#include "screens/scale.h"
#include "screens/time_text.h"
#include "shell/program.h"
#include "ui_frm_main.h"

#include <QIcon>

namespace {

std::unique_ptr<Ui::frmMain> setUp(QWidget &window)
{
    auto ui = std::make_unique<Ui::frmMain>();
    ui->setupUi(&window);
    return ui;
}

} // namespace

frmMain::frmMain(Program &program)
    : Form(program.runtime), m_program(program), m_ui(setUp(*this)),
      Timer1(program.runtime, 1000, false, this), Timer2(program.runtime, 1000, false, this),
      Option1(QStringLiteral("Option1"), *m_ui->Option1_0),
      Check1(QStringLiteral("Check1"), *m_ui->Check1_0)
{
    setFixedSize(690, 493);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvane.ico")));
    setScaleMode(*this, ScaleMode::Pixels);
    setScaleMode(*m_ui->Picture1, ScaleMode::Pixels);

    m_ui->pic->setPicture(layoutPicture(QStringLiteral("skin.bmp")));
    m_ui->Picture4->setPicture(LoadResPicture(101));
    for (QWidget *control : std::initializer_list<QWidget *>{
             m_ui->Label6, m_ui->Label14, m_ui->Label15, m_ui->Label16, m_ui->Label17,
             m_ui->Label18, m_ui->Option1_0, m_ui->Check1_0})
        setFontPoints(*control, 9.75);

    onClick(*m_ui->Image1, m_runtime, [this] { Image1_Click(); });
    Timer2.onTimer([this] { Timer2_Timer(); });
    Timer2.setEnabled(true);
}

frmMain::~frmMain() = default;

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

void frmMain::Timer2_Timer()
{
    m_ui->Label2->setText(dateText(m_runtime.Date()));
    m_ui->Label3->setText(timeText(m_runtime.Time()));
    state().ElapsedTime = m_runtime.Time() - state().StartTime;
    m_ui->Label10->setText(timeText(state().ElapsedTime));
}
