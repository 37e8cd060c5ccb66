#pragma once

#include "screens/control_array.h"
#include "screens/form.h"
#include "screens/pictures.h"
#include "screens/timer.h"

#include <QCheckBox>
#include <QRadioButton>

#include <memory>

namespace Ui {
class frmMain;
}
class Program;
struct TestRunState;

// The main window: the skin, the question panel, the status strip, the action button and the
// exit spot, with the test run's handlers.
class frmMain final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

    // First, so that the controls exist before the arrays and timers built on them.
    Program &m_program;
    std::unique_ptr<Ui::frmMain> m_ui;

public:
    explicit frmMain(Program &program);
    ~frmMain() override;

    Ui::frmMain &ui() { return *m_ui; }

    void Form_Load() override;
    void Image1_Click();
    void Timer2_Timer();

    // The window's own picture: it has none, and assigning it clears a box.
    Picture picture() const { return {}; }

    Timer Timer1;
    Timer Timer2;
    ControlArray<QRadioButton> Option1;
    ControlArray<QCheckBox> Check1;

protected:
    void systemClose() override { Image1_Click(); }

private:
    TestRunState &state();
};
