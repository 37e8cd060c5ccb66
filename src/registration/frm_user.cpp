#include "frm_user.h"

#include "screens/form_look.h"
#include "screens/pictures.h"
#include "screens/runtime.h"
#include "screens/scale.h"
#include "shell/program.h"
#include "store/rules.h"
#include "testrun/main_layout.h"
#include "ui_frm_user.h"

#include <limits>

frmUser::frmUser(Program &program)
    : Form(program.runtime), m_program(program), m_ui(std::make_unique<Ui::frmUser>())
{
    m_ui->setupUi(this);
    setFixedSize(422, 219);
    setBackgroundPicture(*this, layoutPicture(QStringLiteral("registration.bmp")));
    m_ui->Image3->setPicture(layoutPicture(QStringLiteral("face_demo.bmp")));
    m_ui->Image1->setPicture(layoutPicture(QStringLiteral("face_ok.bmp")));
    m_ui->Image2->setPicture(layoutPicture(QStringLiteral("face_quit.bmp")));

    // The names have no length limit of their own: the full name has (Rules::LongestFullName).
    for (QLineEdit *field : {m_ui->Text1, m_ui->Text2, m_ui->Text3})
        field->setMaxLength(std::numeric_limits<int>::max());

    onClick(*m_ui->Image1, m_runtime, [this] { Image1_Click(); });
    onClick(*m_ui->Image2, m_runtime, [this] { Image2_Click(); });
    onClick(*m_ui->Image3, m_runtime, [this] { Image3_Click(); });
    for (ImageControl *image : {m_ui->Image1, m_ui->Image2, m_ui->Image3})
        showPressedLook(*image);
}

frmUser::~frmUser() = default;

void frmUser::showPressedLook(ImageControl &image)
{
    // A pressed image sits 10 twips lower; any mouse button presses it.
    onMouseDown(image, m_runtime, [&image](const MouseArgs &) { setTop(image, 2530); });
    onMouseUp(image, m_runtime, [&image](const MouseArgs &) { setTop(image, 2520); });
}

void frmUser::Form_Load()
{
    m_program.state.ExamMode = false;
}

void frmUser::Image1_Click()
{
    m_program.state.ExamMode = true;
    if (m_ui->Text1->text().isEmpty()) {
        m_runtime.MsgBox(QStringLiteral("Не введено Имя, пожалуйста повторите"));
        m_ui->Text1->setFocus();
        return;
    }
    if (m_ui->Text2->text().isEmpty()) {
        m_runtime.MsgBox(QStringLiteral("Не введена Фамилия, пожалуйста повторите"));
        m_ui->Text2->setFocus();
        return;
    }
    if (m_ui->Text3->text().isEmpty()) {
        m_runtime.MsgBox(QStringLiteral("Не введено Отчество, пожалуйста повторите"));
        m_ui->Text3->setFocus();
        return;
    }
    // A name past the stated length is refused here, before anything is written, whichever
    // way the bank is reached; the longest field gets the focus.
    if (Rules::fullNameLength(fullName()) > Rules::LongestFullName) {
        m_runtime.MsgBox(Rules::fullNameTooLong());
        QLineEdit *longest = m_ui->Text2;
        for (QLineEdit *field : {m_ui->Text1, m_ui->Text3})
            if (field->text().size() > longest->text().size())
                longest = field;
        longest->setFocus();
        return;
    }
    m_program.frmMain->ui().Label1->setText(QStringLiteral("Тест для ") + fullName());
    Hide();
    m_runtime.DoEvents();
    OpenBasa();
}

void frmUser::Image3_Click()
{
    m_program.state.ExamMode = false;
    const int answer = m_runtime.MsgBox(
        QStringLiteral("Вы выбрали Демо режим, результаты теста засчитаны не будут, продолжить?"),
        vbYesNo, QStringLiteral("Демонстрационный режим."));
    if (answer != vbYes)
        return;
    Hide();
    m_runtime.DoEvents();
    m_program.frmMain.Show();
    OpenBasa();
}

void frmUser::Image2_Click()
{
    const int answer = m_runtime.MsgBox(QStringLiteral("Вы уверены что хотите прервать зачет?"),
                                        vbYesNo, QStringLiteral("Выход из программы тестирования"));
    if (answer == vbYes)
        m_runtime.End();
}

QString frmUser::fullName() const
{
    return m_ui->Text2->text() + QLatin1Char(' ') + m_ui->Text1->text() + QLatin1Char(' ') +
           m_ui->Text3->text();
}
