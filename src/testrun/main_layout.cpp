#include "main_layout.h"

#include "panel/question_panel.h"

#include <QLabel>

std::unique_ptr<MainWindowUi> setUpMainLayout(QWidget &window)
{
    setCompactFont(window);
    auto ui = std::make_unique<MainWindowUi>();
    ui->Ui::frmMain::setupUi(&window);
    // Captions show the examinee's name exactly as written, never as markup.
    for (QLabel *label : window.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    setUpQuestionPanel(*ui, *ui->Picture1);
    return ui;
}
