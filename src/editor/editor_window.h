#pragma once

#include "bank/bank_report.h"
#include "editor_prompts.h"
#include "picture_folder.h"
#include "store/bank_tables.h"

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class BankDocument;
class QLabel;
class QuestionFilter;
class QuestionListModel;
class QuestionWarnings;
namespace Ui {
class EditorWindow;
}

// The staff's bank editor: the list of questions, the form of the one chosen, and beside it the
// exam's own question panel showing that question as the examinee will see it.
class EditorWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditorWindow)

public:
    // Without `prompts` the editor asks with the usual dialogs.
    explicit EditorWindow(std::unique_ptr<EditorPrompts> prompts = {}, QWidget *parent = nullptr);
    ~EditorWindow() override;

    // Opens the file given: a bank, a text source or an Access/Jet file by what it holds. False,
    // after saying why, when it cannot be opened; the editor then keeps what it had.
    bool openFile(const QString &path);
    // An empty bank, not yet saved anywhere.
    void newBank();
    // Saves to the open bank's file, or asks where for a new one. False when not saved.
    bool save();
    bool saveAs();
    void setPicturesFolder(const QString &folder);

    Ui::EditorWindow &ui() { return *m_ui; }
    BankDocument &document() { return *m_document; }
    const BankReport &report() const { return m_report; }
    QString path() const { return m_path; }
    // The row shown in the form, -1 when none.
    int currentRow() const { return m_row; }
    void selectRow(int row);
    // Looks at the whole bank now rather than a moment after the last change.
    void checkNow();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // editor_window.cpp: the window, its actions and settings.
    void connectActions();
    void updateTitle();
    // Puts the panes and the list of problems back where a first start has them.
    void restoreLayout();
    // The bank's name for the title and the questions: its file, or what it was read from.
    QString shownName() const;
    void restoreSettings();
    void saveSettings();
    // Asks about unsaved changes; false when the staff cancel.
    bool maySetAside();
    void remember(const QString &folder);
    QString lastFolder() const;

    // editor_files.cpp: opening and saving.
    bool openBank(const QString &path);
    bool openSource(const QString &path, bool access);
    void openDialog();
    void importDialog();
    void choosePicturesFolder();
    void takeBank(std::vector<QuestionRow> questions, std::vector<UserRow> users,
                  QByteArray baseImage, const QString &path, bool saved);
    bool saveTo(const QString &path, bool existing);
    // The numbers of the pictures the questions name.
    QSet<int> usedPictures() const;
    void refuse(const QString &title, const QString &path, const QString &reason);

    // editor_form.cpp: the form and the preview of the current question.
    void connectForm();
    void showRow(int row);
    // With `sameQuestion` (an undo, a redo) a changed field's cursor goes where the change is.
    void fillForm(bool sameQuestion = false);
    void followSearch();
    void updatePreview();
    void updatePicture();
    void editText(int field, const QString &text);
    void editKind(int index);
    void editTick(int answer, bool ticked);
    void editPicture();
    void choosePictureFile();
    void insertQuestion();
    void duplicateQuestion();
    void deleteQuestions();
    void moveQuestion(int step);
    int rowOfId(int id) const;

    // editor_checks.cpp: the whole bank, as the exam program and check see it.
    void scheduleCheck();
    // The figures of the bank's file as opened or saved, from the answers kept in it.
    void readFigures();
    // The flags of the figures of the texts as they are now, as warnings.
    void addFigureWarnings();
    void showReport();
    void nextProblem();
    QStringList findingsOf(int id) const;

    std::unique_ptr<Ui::EditorWindow> m_ui;
    std::unique_ptr<EditorPrompts> m_prompts;
    BankDocument *m_document = nullptr;
    QuestionListModel *m_list = nullptr;
    QuestionFilter *m_filter = nullptr;
    QLabel *m_status = nullptr;
    PictureFolder m_pictures;
    std::unique_ptr<QuestionWarnings> m_warnings;

    QString m_path; // the bank's file; empty for a bank not saved yet
    QString m_sourceName; // the text source's or Access file's name of a bank not saved yet
    // For a bank not saved yet, the attempt record it gets (an Access file's own).
    std::vector<UserRow> m_users;
    // The file as it was opened or last saved: the checks look at it with the edited questions.
    QByteArray m_baseImage;
    bool m_picturesChosen = false; // the staff chose the pictures folder for this bank
    int m_row = -1;
    bool m_filling = false; // while the form is filled from the document
    QString m_shownPicture; // the pictures folder and value the form's picture shows

    QTimer m_checkTimer;
    BankReport m_report;
    bool m_flagged = false; // some question's figures have flags
};
