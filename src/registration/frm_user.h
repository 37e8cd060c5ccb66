#pragma once

#include "screens/events.h"
#include "screens/form.h"

#include <memory>

namespace Ui {
class frmUser;
}
class ExamSession;
class Program;
class ImageControl;

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
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();

    // Opens the bank, applies the attempt rule in exam mode and shows the main window.
    void OpenBasa();
    // Surname, first name and patronymic, each as typed, joined by single spaces.
    QString fullName() const;

protected:
    void systemClose() override { Image2_Click(); }

private:
    // The exam's session: on the bank, or through its keeper when the bank is sealed.
    std::unique_ptr<ExamSession> startSession();
    void showPressedLook(ImageControl &image);

    Program &m_program;
    std::unique_ptr<Ui::frmUser> m_ui;
};
