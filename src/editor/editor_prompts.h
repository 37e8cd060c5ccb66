#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The editor's questions to the staff: files to open or save, and messages. The editor asks
// through this, so its tests answer without dialogs.
class EditorPrompts
{
public:
    virtual ~EditorPrompts() = default;

    // A file to open, or empty when none was chosen.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &folder,
                                 const QString &filter);
    // A file to save to, or empty; a file already there was confirmed by the staff.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &start,
                                 const QString &filter);
    virtual QString folderName(QWidget *parent, const QString &title, const QString &start);
    virtual QMessageBox::StandardButton ask(QWidget *parent, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton byDefault);
    virtual void tell(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                      const QString &text);
};
