#include "frm_load.h"

#include "form_look.h"
#include "pictures.h"
#include "ui_frm_load.h"

frmLoad::frmLoad(Runtime &runtime) : Form(runtime), m_ui(std::make_unique<Ui::frmLoad>())
{
    // A compact default font: the owner's notice has two lines of 205 by 31 pixels. The splash's
    // own texts need no glyphs from other fonts, and looking for them would delay its first
    // paint, which start-up waits for.
    QFont compact = font();
    compact.setPixelSize(11);
    compact.setStyleStrategy(QFont::NoFontMerging);
    setFont(compact);
    m_ui->setupUi(this);
    setFixedSize(422, 145);
    setBackgroundPicture(*this, layoutPicture(QStringLiteral("splash.bmp")));
    setFontPoints(*m_ui->te, 13.5);
}

frmLoad::~frmLoad() = default;
