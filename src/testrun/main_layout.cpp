#include "main_layout.h"

#include "screens/form_look.h"
#include "ui_frm_main.h"

#include <QLabel>

std::unique_ptr<Ui::frmMain> setUpMainLayout(QWidget &window)
{
    // A compact default font, so the status strip's date fits its 64-pixel label; set before the
    // controls exist, since styled controls take their font when they are made.
    QFont compact = window.font();
    compact.setPixelSize(11);
    window.setFont(compact);
    auto ui = std::make_unique<Ui::frmMain>();
    ui->setupUi(&window);
    // Captions show texts from the bank and the examinee's name exactly as written, never as
    // markup.
    for (QLabel *label : window.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    for (QWidget *control :
         std::initializer_list<QWidget *>{ui->Label6, ui->Label14, ui->Label15, ui->Label16,
                                          ui->Label17, ui->Label18, ui->Option1_0, ui->Check1_0})
        setFontPoints(*control, 9.75);
    return ui;
}
