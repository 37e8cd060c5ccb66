#include "editor_prompts.h"

#include <QFileDialog>

QString EditorPrompts::openFileName(QWidget *parent, const QString &title, const QString &folder,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString EditorPrompts::saveFileName(QWidget *parent, const QString &title, const QString &start,
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

QString EditorPrompts::folderName(QWidget *parent, const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QMessageBox::StandardButton EditorPrompts::ask(QWidget *parent, const QString &title,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton byDefault)
{
    QMessageBox box(QMessageBox::Question, title, text, buttons, parent);
    box.setDefaultButton(byDefault);
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}

void EditorPrompts::tell(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                         const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
