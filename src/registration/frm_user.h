#pragma once

#include "screens/form.h"

#include <memory>

namespace Ui {
class frmUser;
}
class Program;

// The registration window: the examinee's three names, and the choice of exam, demonstration
// run or quitting.
class frmUser final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmUser)

public:
    explicit frmUser(Program &program);
    ~frmUser() override;

    Ui::frmUser &ui() { return *m_ui; }

    void Form_Load() override;

private:
    Program &m_program;
    std::unique_ptr<Ui::frmUser> m_ui;
};
