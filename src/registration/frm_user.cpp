#include "frm_user.h"

#include "screens/form_look.h"
#include "screens/pictures.h"
#include "shell/program.h"
#include "ui_frm_user.h"

frmUser::frmUser(Program &program)
    : Form(program.runtime), m_program(program), m_ui(std::make_unique<Ui::frmUser>())
{
    m_ui->setupUi(this);
    setFixedSize(422, 219);
    setBackgroundPicture(*this, layoutPicture(QStringLiteral("registration.bmp")));
    m_ui->Image3->setPicture(layoutPicture(QStringLiteral("face_demo.bmp")));
    m_ui->Image1->setPicture(layoutPicture(QStringLiteral("face_ok.bmp")));
    m_ui->Image2->setPicture(layoutPicture(QStringLiteral("face_quit.bmp")));
}

frmUser::~frmUser() = default;

void frmUser::Form_Load()
{
    m_program.state.ExamMode = false;
}
