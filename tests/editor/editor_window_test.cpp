#include "editor/bank_document.h"
#include "editor/editor_prompts.h"
#include "editor/editor_window.h"
#include "editor/qt_translation.h"
#include "editor/question_list_model.h"
#include "editor/question_preview.h"
#include "store/bank_file.h"
#include "store/journal_entry.h"
#include "support/journal_builder.h"
#include "testrun/exam_fixture.h"
#include "ui_editor_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>

#include <csignal>
#include <deque>
#include <sys/resource.h>

namespace {

// Answers the editor's questions from a script and keeps what it told.
class ScriptedPrompts final : public EditorPrompts
{
public:
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return next(files);
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return next(files);
    }
    QString folderName(QWidget *, const QString &, const QString &) override { return next(files); }
    QMessageBox::StandardButton ask(QWidget *, const QString &, const QString &text,
                                    QMessageBox::StandardButtons,
                                    QMessageBox::StandardButton byDefault) override
    {
        asked.push_back(text);
        defaults.push_back(byDefault);
        EXPECT_FALSE(answers.empty()) << "unexpected question: " << text.toStdString();
        if (answers.empty())
            return QMessageBox::Cancel;
        const QMessageBox::StandardButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void tell(QWidget *, QMessageBox::Icon, const QString &title, const QString &text) override
    {
        told.push_back(title + QStringLiteral(": ") + text);
    }

    std::deque<QString> files;
    std::deque<QMessageBox::StandardButton> answers;
    QStringList asked;
    std::vector<QMessageBox::StandardButton> defaults; // the button Enter chooses, per question
    QStringList told;

private:
    static QString next(std::deque<QString> &queue)
    {
        if (queue.empty())
            return {};
        QString file = queue.front();
        queue.pop_front();
        return file;
    }
};

// The rows of a table with the type of every value, in the order they are stored.
QString dump(const BankFixture &bank, const QString &table, const QString &columns)
{
    QStringList quoted;
    for (const QString &column : columns.split(QLatin1Char(',')))
        quoted.push_back(QStringLiteral("quote(%1)").arg(column.trimmed()));
    return bank
        .value(QStringLiteral("select group_concat(%1, '|') from (select * from %2 order by rowid)")
                   .arg(quoted.join(QStringLiteral("||','||")), table))
        .toString();
}

const QString QuestionColumns =
    QStringLiteral("id, question, answ1, answ2, answ3, answ4, ball, picture, type");
const QString JournalColumns =
    QStringLiteral("id, username, started, finished, right_answers, passed, questions, host");

class EditorTest : public ExamTest
{
protected:
    EditorTest()
    {
        // Settings of the test's own, never the account's.
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove(QStringLiteral("window"));
        restart();
    }
    // A new editor window, as a new start of the program makes it.
    void restart()
    {
        if (editor)
            editor->close();
        auto prompts = std::make_unique<ScriptedPrompts>();
        m_prompts = prompts.get();
        editor = std::make_unique<EditorWindow>(std::move(prompts));
        editor->show();
        // Keys reach the window's shortcuts only in the active window.
        QApplication::setActiveWindow(editor.get());
    }
    ~EditorTest() override
    {
        // Nothing left unsaved, so closing asks nothing.
        editor->document().markSaved();
    }

    Ui::EditorWindow &ui() { return editor->ui(); }
    // The rows selected in the list, in the document's numbering.
    std::vector<int> selectedRows()
    {
        std::vector<int> rows;
        for (const QModelIndex &index : ui().questionList->selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    ScriptedPrompts &prompts() { return *m_prompts; }

    void openBank()
    {
        ASSERT_TRUE(editor->openFile(bank.bankPath()));
        editor->setPicturesFolder(QDir(bank.appPath()).filePath(QStringLiteral("pictures")));
    }

    // Replaces a field's text as a person does: select it all, then type, key by key (Cyrillic
    // too, which QTest::keyClicks cannot type).
    static void retype(QWidget *field, const QString &text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        type(field, text);
    }
    // Types where the cursor is.
    static void type(QWidget *field, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    std::unique_ptr<EditorWindow> editor;

private:
    ScriptedPrompts *m_prompts = nullptr;
};

TEST_F(EditorTest, AQuestionEditedThroughTheFormIsWhatTheBankHoldsAndWhatTheExamShows)
{
    openBank();
    const BankTables before = readBankTables(bank.bankPath());
    editor->selectRow(4); // question 5: check boxes, answers 1 and 3 right
    ASSERT_EQ(ui().kindBox->currentIndex(), 1);

    const QString text = QStringLiteral("Что такое «кегль»? Размер & <b>начертание</b>");
    retype(ui().questionText, text);
    EXPECT_EQ(ui().preview->ui().Label6->text(), text) << "the preview follows the keystrokes";
    // Undo in a field undoes the bank's last step, the whole typed text, and redo brings it back.
    QUndoStack &history = *editor->document().undoStack();
    const int steps = history.index();
    QTest::keyClick(ui().questionText, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(history.index(), steps - 1) << "an undo, not a new change";
    EXPECT_EQ(editor->document().questions()[4].question, before.questions[4].question);
    EXPECT_EQ(ui().preview->ui().Label6->text(), before.questions[4].question.toString());
    QTest::keyClick(ui().questionText, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ui().questionText->toPlainText(), text);
    ui().kindBox->setFocus();
    QTest::keyClick(ui().kindBox, Qt::Key_Up); // to option buttons
    retype(ui().answer3, QStringLiteral("Размер шрифта"));
    const QString before3 = before.questions[4].answers[2].toString();
    const auto answer3 = [this] { return editor->document().questions()[4].answers[2]; };
    QTest::keyClick(ui().answer3, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(history.index(), steps + 1) << "an undo, not a new change";
    EXPECT_EQ(answer3(), QVariant(before3));
    EXPECT_EQ(ui().answer3->text(), before3);
    QTest::keyClick(ui().answer3, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(answer3(), QVariant(QStringLiteral("Размер шрифта")));
    EXPECT_EQ(ui().answer3->text(), QStringLiteral("Размер шрифта"));
    retype(ui().answer4, QString());
    QTest::mouseClick(ui().right3, Qt::LeftButton);
    QTest::mouseClick(ui().hasPicture, Qt::LeftButton);
    retype(ui().pictureNumber, QStringLiteral("1"));
    EXPECT_TRUE(editor->isWindowModified());

    QTest::keyClick(editor.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(prompts().told.isEmpty()) << prompts().told.join('\n').toStdString();
    EXPECT_FALSE(editor->isWindowModified());

    const BankTables after = readBankTables(bank.bankPath());
    ASSERT_EQ(after.questions.size(), before.questions.size());
    for (std::size_t row = 0; row < after.questions.size(); ++row) {
        const QuestionRow &q = after.questions[row];
        if (row != 4) {
            EXPECT_EQ(q.question, before.questions[row].question) << row;
            EXPECT_EQ(q.ball, before.questions[row].ball) << row;
            continue;
        }
        EXPECT_EQ(q.id, QVariant(qlonglong(5)));
        EXPECT_EQ(q.question, QVariant(text));
        EXPECT_EQ(q.type, QVariant(qlonglong(0)));
        EXPECT_EQ(q.answers[0], before.questions[row].answers[0]);
        EXPECT_EQ(q.answers[2], QVariant(QStringLiteral("Размер шрифта")));
        // Shown answers are never Null: an empty one is the empty text.
        EXPECT_FALSE(q.answers[3].isNull());
        EXPECT_EQ(q.answers[3], QVariant(QString()));
        EXPECT_EQ(q.ball, QVariant(qlonglong(8)));
        EXPECT_EQ(q.picture, QVariant(QStringLiteral("1")));
    }

    // The exam shows every question of a 40-question bank once; question 5 as edited, and on
    // the same pixels as the preview.
    registerDemo();
    pressActionButton();
    bool seen = false;
    for (int question = 1; question <= 40 && !seen; ++question) {
        if (shownId() == 5) {
            seen = true;
            EXPECT_EQ(main().Label6->text(), text);
            ASSERT_EQ(program.frmMain->Option1.Count(), 5);
            EXPECT_EQ(program.frmMain->Option1(3).text(), QStringLiteral("Размер шрифта"));
            EXPECT_EQ(main().Picture2->picture().size(), QSize(40, 20));
            editor->selectRow(4);
            const QImage exam = main().Picture1->grab().toImage();
            const QImage preview = ui().preview->grab().toImage();
            EXPECT_EQ(exam.size(), preview.size());
            EXPECT_TRUE(exam == preview) << "the preview differs from the exam's panel";
            if (exam != preview) {
                exam.save(QStringLiteral("editor-exam-panel.png"));
                preview.save(QStringLiteral("editor-preview.png"));
            }
        } else {
            tick(false);
            pressActionButton();
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(EditorTest, SavingKeepsTheAttemptRecordAndJournalAndUndoGivesTheQuestionsBack)
{
    bank.run(QStringLiteral("UPDATE users SET username = 'Иванов Пётр Сидорович', chek = 1 "
                            "WHERE id = 1"));
    bank.run(
        QStringLiteral("INSERT INTO attempts (username, started, finished, right_answers, "
                       "passed, questions, host) VALUES ('Иванов Пётр Сидорович', "
                       "'2026-12-09T10:00:00', '2026-12-09T10:41:07', 33, 1, 40, 'k1'), "
                       "('Петрова Анна', '2026-12-09T11:00:00', NULL, '7', 0.0, 40, x'6b32')"));
    const QString users = dump(bank, QStringLiteral("users"), QStringLiteral("id, username, chek"));
    const QString journal = dump(bank, QStringLiteral("attempts"), JournalColumns);
    const QString questions = dump(bank, QStringLiteral("questions"), QuestionColumns);
    openBank();

    BankDocument &document = editor->document();
    document.setField(0, QuestionField::Question, QStringLiteral("Новый текст"));
    document.setField(2, QuestionField::Picture, QVariant());
    document.moveQuestion(3, +1);
    document.removeQuestions({7});
    document.duplicateQuestion(10);
    document.insertQuestion(-1);
    ASSERT_TRUE(editor->save());
    EXPECT_EQ(dump(bank, QStringLiteral("users"), QStringLiteral("id, username, chek")), users);
    EXPECT_EQ(dump(bank, QStringLiteral("attempts"), JournalColumns), journal);
    EXPECT_NE(dump(bank, QStringLiteral("questions"), QuestionColumns), questions);
    EXPECT_EQ(bank.value(QStringLiteral("select count(*) from questions")).toInt(), 41);
    EXPECT_EQ(bank.value(QStringLiteral("select count(*) from questions where id between 1 and "
                                        "41"))
                  .toInt(),
              41);

    document.undoStack()->setIndex(0);
    ASSERT_TRUE(editor->save());
    EXPECT_EQ(dump(bank, QStringLiteral("questions"), QuestionColumns), questions);
    EXPECT_EQ(dump(bank, QStringLiteral("attempts"), JournalColumns), journal);

    // «Сохранить как…» onto its own file, named another way, is a save.
    document.setField(0, QuestionField::Question, QStringLiteral("Ещё текст"));
    prompts().files = {QStringLiteral("./../%1/data.mdb").arg(QFileInfo(bank.workPath()).fileName())};
    ASSERT_TRUE(editor->saveAs()) << prompts().told.join('\n').toStdString();
    EXPECT_EQ(dump(bank, QStringLiteral("users"), QStringLiteral("id, username, chek")), users);
    EXPECT_EQ(dump(bank, QStringLiteral("attempts"), JournalColumns), journal);
}

TEST_F(EditorTest, ABankInWriteAheadModeOpensAndSavesWithoutFilesBesideIt)
{
    bank.run(QStringLiteral("PRAGMA journal_mode = WAL"));
    ASSERT_EQ(bank.bytes()[18], 2) << "the fixture's bank is not in write-ahead mode";
    const QDateTime started = QDateTime::currentDateTime().addSecs(-60);
    bank.run(QStringLiteral("INSERT INTO attempts (username, started, finished, questions, host) "
                            "VALUES ('Петрова Анна', ?, NULL, 40, 'k1')"),
             {Journal::timeText(started)});
    ASSERT_FALSE(QFileInfo::exists(bank.bankPath() + QStringLiteral("-wal")));
    const auto sideFiles = [this] {
        return QDir(bank.workPath()).entryList({QStringLiteral("data.mdb-*")}, QDir::Files);
    };
    openBank();
    EXPECT_EQ(sideFiles(), QStringList());
    EXPECT_EQ(editor->document().rowCount(), 40);
    // The journal is read too, without leaving anything.
    editor->document().setField(0, QuestionField::Question, QStringLiteral("Правка"));
    prompts().answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(editor->save());
    ASSERT_EQ(prompts().asked.size(), 1);
    EXPECT_TRUE(prompts().asked.front().contains(QStringLiteral("Петрова Анна")));
    EXPECT_EQ(sideFiles(), QStringList());
}

TEST_F(EditorTest, TheTemporaryFolderOfPicturesLivesOnlyWhileAPictureIsChosen)
{
    // The editor's temporary folders go to a folder of the test's own.
    QTemporaryDir temporary;
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    const auto made = [&temporary] {
        return QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    };
    restart();
    openBank();
    editor->selectRow(3);
    EXPECT_EQ(made(), QStringList()) << "made at the start";

    QImage image(30, 30, QImage::Format_RGB888);
    image.fill(Qt::darkGreen);
    const QString chosen = QDir(bank.workPath()).filePath(QStringLiteral("новый.bmp"));
    ASSERT_TRUE(image.save(chosen, "BMP"));
    prompts().files = {chosen};
    QTest::mouseClick(ui().choosePicture, Qt::LeftButton);
    ASSERT_EQ(editor->document().questions()[3].picture, QVariant(QStringLiteral("2")));
    EXPECT_EQ(made().size(), 1) << "the chosen picture waits for the save in a folder of its own";
    EXPECT_EQ(ui().preview->ui().Picture2->picture().size(), QSize(30, 30));
    ASSERT_TRUE(editor->save()) << prompts().told.join('\n').toStdString();
    EXPECT_EQ(made(), QStringList()) << "left after the save";
    EXPECT_EQ(ui().preview->ui().Picture2->picture().size(), QSize(30, 30));
    editor->checkNow();
    EXPECT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    qputenv("TMPDIR", previous);
}

TEST_F(EditorTest, ATextSourceSavedElsewhereKeepsItsVerdictAndTakesItsPicturesAlong)
{
    const QString source =
        QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank/questions.txt");
    ASSERT_TRUE(editor->openFile(source));
    EXPECT_TRUE(editor->windowTitle().startsWith(QStringLiteral("questions.txt (ещё не банк")))
        << editor->windowTitle().toStdString();
    editor->checkNow();
    ASSERT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    const qsizetype warnings = editor->report().warnings.size();

    QTemporaryDir elsewhere;
    const QString path = QDir(elsewhere.path()).filePath(QStringLiteral("data.mdb"));
    prompts().files = {path};
    ASSERT_TRUE(editor->save()) << prompts().told.join('\n').toStdString();
    EXPECT_TRUE(editor->windowTitle().startsWith(path));
    editor->checkNow();
    EXPECT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    EXPECT_EQ(editor->report().warnings.size(), warnings);
    for (int picture = 1; picture <= 8; ++picture)
        EXPECT_TRUE(QFileInfo::exists(
            QDir(elsewhere.path()).filePath(QStringLiteral("pictures/%1.bmp").arg(picture))))
            << picture;

    // Opened again, the file says what the editor said.
    ASSERT_TRUE(editor->openFile(path));
    editor->checkNow();
    EXPECT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    EXPECT_EQ(editor->report().warnings.size(), warnings);
}


TEST_F(EditorTest, ASaveThatCannotBeWrittenLeavesTheOldBankAndTheEditsInTheEditor)
{
    openBank();
    const QByteArray old = bank.bytes();
    editor->document().setField(1, QuestionField::Question, QStringLiteral("Изменённый вопрос"));

    // The disk is full: no file may grow past a few bytes (root included).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = editor->save();
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    ASSERT_EQ(prompts().told.size(), 1);
    EXPECT_TRUE(prompts().told.front().startsWith(QStringLiteral("Банк не сохранён")))
        << prompts().told.front().toStdString();
    EXPECT_TRUE(prompts().told.front().contains(bank.bankPath()));
    EXPECT_EQ(bank.bytes(), old);
    EXPECT_TRUE(editor->isWindowModified());
    EXPECT_EQ(editor->document().questions()[1].question,
              QVariant(QStringLiteral("Изменённый вопрос")));

    // Closing with the edits unsaved asks first; cancelled, the editor stays with them.
    prompts().answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(editor->close());
    EXPECT_TRUE(editor->isVisible());
    ASSERT_EQ(prompts().asked.size(), 1);

    ASSERT_TRUE(editor->save());
    EXPECT_EQ(readBankTables(bank.bankPath()).questions[1].question,
              QVariant(QStringLiteral("Изменённый вопрос")));
    EXPECT_TRUE(editor->close());
}

TEST_F(EditorTest, ABankMadeFromNothingWithAChosenPictureIsAcceptedWhereItIsSaved)
{
    QTemporaryDir elsewhere;
    QImage image(700, 42, QImage::Format_RGB888);
    image.fill(Qt::darkRed);
    const QString chosen = QDir(elsewhere.path()).filePath(QStringLiteral("схема.bmp"));
    ASSERT_TRUE(image.save(chosen, "BMP"));
    const QString notAPicture = QDir(elsewhere.path()).filePath(QStringLiteral("текст.bmp"));
    QFile text(notAPicture);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("не рисунок");
    text.close();

    // Made after a bank whose pictures are the program's, where a picture lies that the new
    // bank does not use: it is no concern of the new bank, which takes its own along.
    openBank();
    const QString programPictures = QDir(bank.appPath()).filePath(QStringLiteral("pictures"));
    ASSERT_TRUE(QFile::copy(QDir(programPictures).filePath(QStringLiteral("1.bmp")),
                            QDir(programPictures).filePath(QStringLiteral("2.bmp"))));
    editor->newBank();
    for (int k = 0; k < 40; ++k)
        QTest::keyClick(ui().questionList, Qt::Key_Insert);
    ASSERT_EQ(editor->document().rowCount(), 40);
    for (int row = 0; row < 40; ++row) {
        editor->selectRow(row);
        retype(ui().questionText, QStringLiteral("Вопрос %1").arg(row + 1));
        for (QLineEdit *answer : {ui().answer1, ui().answer2, ui().answer3, ui().answer4})
            retype(answer, QStringLiteral("ответ"));
        QTest::mouseClick(ui().right2, Qt::LeftButton);
    }
    editor->selectRow(6);
    prompts().files = {notAPicture};
    QTest::mouseClick(ui().choosePicture, Qt::LeftButton);
    ASSERT_EQ(prompts().told.size(), 1) << "a file the exam cannot show is refused";
    EXPECT_TRUE(editor->document().questions()[6].picture.isNull());
    prompts().files = {chosen};
    QTest::mouseClick(ui().choosePicture, Qt::LeftButton);
    EXPECT_EQ(editor->document().questions()[6].picture, QVariant(QStringLiteral("1")));
    EXPECT_EQ(ui().preview->ui().Picture2->picture().size(), QSize(700, 42));
    editor->checkNow();
    EXPECT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    ASSERT_EQ(editor->report().warnings.size(), 1);
    EXPECT_TRUE(editor->report().warnings.front().contains(QStringLiteral("700 × 42")));
    EXPECT_TRUE(ui().pictureInfo->text().startsWith(QStringLiteral("1.bmp, 700 × 42 точки;")))
        << ui().pictureInfo->text().toStdString();

    const QString path = QDir(elsewhere.path()).filePath(QStringLiteral("новый/data.mdb"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    prompts().files = {path};
    ASSERT_TRUE(editor->save()) << prompts().told.join('\n').toStdString();
    EXPECT_EQ(editor->path(), path);
    const QString copied = QDir(QFileInfo(path).path()).filePath(QStringLiteral("pictures/1.bmp"));
    EXPECT_EQ(QImage(copied).size(), QSize(700, 42));
    const BankTables saved = readBankTables(path);
    ASSERT_EQ(saved.questions.size(), 40u);
    EXPECT_EQ(saved.questions[39].question, QVariant(QStringLiteral("Вопрос 40")));
    EXPECT_EQ(saved.questions[39].ball, QVariant(qlonglong(4)));
    ASSERT_EQ(saved.users.size(), 1u);
    EXPECT_EQ(saved.users[0].chek, QVariant(false));
    // Saved, the editor says what it said before, and what check says of the file: of a
    // picture its own folder holds and it does not use too.
    const QStringList before = editor->report().warnings;
    editor->checkNow();
    EXPECT_EQ(editor->report().warnings, before);
    ASSERT_TRUE(QFile::copy(copied, QDir(QFileInfo(copied).path()).filePath("5.bmp")));
    editor->checkNow();
    const BankReport checked = inspectBankFile(path, picturesOfBank(path, programPictures));
    EXPECT_EQ(checked.warnings.size(), 2);
    EXPECT_EQ(checked.warnings, editor->report().warnings);
    EXPECT_EQ(checked.problems, editor->report().problems);
}

TEST_F(EditorTest, SavingOverAnExamThatMayBeRunningAsksFirst)
{
    const auto attempt = [this](const QDateTime &started, const QVariant &finished) {
        bank.run(QStringLiteral("INSERT INTO attempts (username, started, finished, questions, "
                                "host) VALUES ('Петрова Анна', ?, ?, 40, 'k1')"),
                 {Journal::timeText(started), finished});
    };
    const QDateTime now = QDateTime::currentDateTime();
    // Finished, and begun longer ago than a whole test takes: neither can be running.
    attempt(now.addSecs(-900), Journal::timeText(now.addSecs(-60)));
    attempt(now.addSecs(-3 * 3600), QVariant());
    openBank();
    editor->document().setField(0, QuestionField::Question, QStringLiteral("Первая правка"));
    ASSERT_TRUE(editor->save());
    EXPECT_TRUE(prompts().asked.isEmpty()) << prompts().asked.join('\n').toStdString();

    // Begun longer ago than forty questions take, but within the slack of ten minutes after.
    attempt(now.addSecs(-7540), QVariant());
    const QByteArray saved = bank.bytes();
    editor->document().setField(0, QuestionField::Question, QStringLiteral("Вторая правка"));
    prompts().answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(editor->save());
    ASSERT_EQ(prompts().asked.size(), 1);
    EXPECT_TRUE(prompts().asked.front().contains(QStringLiteral("Петрова Анна")));
    // Enter chooses the button that leaves the file alone, and the question says so.
    EXPECT_EQ(prompts().defaults.front(), QMessageBox::Cancel);
    EXPECT_TRUE(prompts().asked.front().endsWith(QStringLiteral("Enter выбирает «Отмена»: банк не "
                                                                "сохраняется.")));
    EXPECT_EQ(bank.bytes(), saved);
    EXPECT_TRUE(editor->isWindowModified());
}

TEST_F(EditorTest, TheKeyboardMovesBetweenTheListAndTheFormAndDeletesOnlyWhatTheFormShows)
{
    openBank();
    const int count = editor->document().rowCount();
    editor->selectRow(2);
    ui().questionList->setFocus();
    // One Tab from the list reaches the form, on the question the list showed.
    QTest::keyClick(ui().questionList, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ui().questionText);
    EXPECT_EQ(editor->currentRow(), 2);
    ui().questionList->setFocus();
    QTest::keyClick(ui().questionList, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), ui().questionText);
    EXPECT_EQ(editor->currentRow(), 2);

    // A copy is the one question selected, not the copy and its original.
    ui().questionList->setFocus();
    QTest::keyClick(ui().questionList, Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(editor->document().rowCount(), count + 1);
    EXPECT_EQ(editor->currentRow(), 3);
    EXPECT_EQ(selectedRows(), std::vector<int>{3});
    QTest::keyClick(ui().questionList, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), (std::vector<int>{3, 4})) << "Shift extends from the copy";

    // Keys that move without selecting take the selection along.
    editor->selectRow(11);
    QTest::keyClick(ui().questionList, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(editor->currentRow(), 0);
    EXPECT_EQ(selectedRows(), std::vector<int>{0});
    const QVariant second = editor->document().questions()[1].question;
    QTest::keyClick(ui().questionList, Qt::Key_Delete);
    EXPECT_TRUE(prompts().asked.isEmpty()) << "one question goes without a question";
    ASSERT_EQ(editor->document().rowCount(), count);
    EXPECT_EQ(editor->document().questions()[0].question, second);

    // More than one: the count is said first, and Enter keeps them.
    editor->selectRow(4);
    QTest::keyClick(ui().questionList, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(ui().questionList, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(selectedRows(), (std::vector<int>{4, 5, 6}));
    prompts().answers = {QMessageBox::Cancel, QMessageBox::Yes};
    QTest::keyClick(ui().questionList, Qt::Key_Delete);
    ASSERT_EQ(prompts().asked.size(), 1);
    EXPECT_TRUE(prompts().asked.front().startsWith(QStringLiteral("Выбрано вопросов: 3.")))
        << prompts().asked.front().toStdString();
    EXPECT_EQ(prompts().defaults.front(), QMessageBox::Cancel);
    EXPECT_EQ(editor->document().rowCount(), count);
    QTest::keyClick(ui().questionList, Qt::Key_Delete);
    EXPECT_EQ(editor->document().rowCount(), count - 3);
    editor->document().undoStack()->undo();
    EXPECT_EQ(editor->document().rowCount(), count);
}

// The letters underlined in a text, case-folded.
QString mnemonicOf(const QString &text)
{
    for (qsizetype k = 0; k + 1 < text.size(); ++k) {
        if (text[k] != QLatin1Char('&'))
            continue;
        if (text[k + 1] != QLatin1Char('&'))
            return QString(text[k + 1]).toCaseFolded();
        ++k;
    }
    return {};
}

TEST_F(EditorTest, EveryMnemonicIsUniqueWhereItIsPressed)
{
    // The window's own (its menus and the form's labels and buttons), then each menu's.
    std::vector<std::pair<QString, QStringList>> scopes;
    QStringList window;
    for (QAction *menu : editor->menuBar()->actions())
        window << menu->text();
    for (const QLabel *label : editor->findChildren<QLabel *>())
        if (label->buddy())
            window << label->text();
    for (const QAbstractButton *button : editor->findChildren<QAbstractButton *>())
        window << button->text();
    scopes.emplace_back(QStringLiteral("window"), window);
    for (QAction *menu : editor->menuBar()->actions()) {
        QStringList items;
        for (QAction *item : menu->menu()->actions())
            items << item->text();
        scopes.emplace_back(menu->text(), items);
    }
    for (const auto &[scope, texts] : scopes) {
        QHash<QString, QString> taken;
        for (const QString &text : texts) {
            const QString key = mnemonicOf(text);
            if (key.isEmpty())
                continue;
            EXPECT_FALSE(taken.contains(key))
                << scope.toStdString() << ": " << text.toStdString() << " and "
                << taken.value(key).toStdString();
            taken.insert(key, text);
        }
    }
    // Alt and the question label's letter reach the question's text from the list.
    openBank();
    ui().questionList->setFocus();
    const QString letter = mnemonicOf(ui().questionLabel->text());
    ASSERT_FALSE(letter.isEmpty());
    QTest::sendKeyEvent(QTest::Click, ui().questionList, Qt::Key(letter.toUpper().front().unicode()),
                        letter, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().questionText);
}

TEST_F(EditorTest, ANewBankHasAnEmptyClosedFormAndSaysItHasNoQuestions)
{
    openBank();
    editor->selectRow(3);
    QTest::keyClick(editor.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(editor->document().rowCount(), 0);
    EXPECT_EQ(editor->currentRow(), -1);
    EXPECT_EQ(ui().questionText->toPlainText(), QString());
    EXPECT_EQ(ui().answer1->text(), QString());
    EXPECT_FALSE(ui().questionText->isEnabled());
    editor->checkNow();
    EXPECT_EQ(editor->report().problems, QStringList{QStringLiteral("в банке нет вопросов")});

    // The first question opens the form.
    ui().questionList->setFocus();
    QTest::keyClick(ui().questionList, Qt::Key_Insert);
    EXPECT_EQ(editor->currentRow(), 0);
    EXPECT_TRUE(ui().questionText->isEnabled());
}

TEST_F(EditorTest, PanesNeverCollapseAndTheLayoutCanBeRestored)
{
    const auto noneEmpty = [this] {
        const QList<int> sizes = ui().splitter->sizes();
        return std::find(sizes.begin(), sizes.end(), 0) == sizes.end();
    };
    // A pane dragged to nothing by an older editor, as its settings kept it.
    QList<int> collapsed = ui().splitter->sizes();
    collapsed[0] += collapsed[1];
    collapsed[1] = 0;
    QSplitter old(Qt::Horizontal);
    for (int k = 0; k < 2; ++k)
        old.addWidget(new QWidget);
    old.setSizes(collapsed);
    QSettings().setValue(QStringLiteral("window/panes"), old.saveState());
    restart();
    EXPECT_TRUE(noneEmpty()) << "restored collapsed";
    // The form's handle dragged as far as it goes either way.
    QSplitter &restored = *ui().splitter;
    QSplitterHandle *handle = restored.handle(1);
    for (const int far : {-3000, 3000}) {
        const QPoint middle = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, middle);
        QTest::mouseMove(handle, middle + QPoint(far / 2, 0));
        QTest::mouseMove(handle, middle + QPoint(far, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, middle + QPoint(far, 0));
        EXPECT_TRUE(noneEmpty()) << "dragged " << far;
    }

    editor->ui().problemsDock->close();
    editor->ui().actionRestoreLayout->trigger();
    EXPECT_TRUE(editor->ui().problemsDock->isVisible());
    // The exam-sized preview whole, not cut at its column's edge; the list has all the rest,
    // on a wider window too.
    EXPECT_EQ(ui().preview->visibleRegion().boundingRect(), ui().preview->rect());
    editor->resize(editor->width() + 400, editor->height());
    editor->ui().actionRestoreLayout->trigger();
    QApplication::processEvents();
    EXPECT_EQ(ui().editScroll->width(), ui().editScroll->minimumWidth());
    editor->resize(editor->width() - 400, editor->height());
    editor->ui().actionRestoreLayout->trigger();
    QApplication::processEvents();
    // The list's room goes to the question's text, and the list has room: on a screen 1280
    // points wide a staff member reads the start of a question, not its first two words.
    const QHeaderView &header = *editor->ui().questionList->horizontalHeader();
    EXPECT_GE(header.sectionSize(2 /* the text */) * 2, header.width())
        << "the text has " << header.sectionSize(2) << " of " << header.width() << " points";
    EXPECT_GE(header.sectionSize(2) * 3, editor->width())
        << "the text has " << header.sectionSize(2) << " of the window's " << editor->width();
    // Settings the three panes of an older editor kept side by side do not squeeze it again.
    QSplitter three(Qt::Horizontal);
    for (int k = 0; k < 3; ++k)
        three.addWidget(new QWidget);
    three.setSizes({270, 320, 620});
    QSettings().remove(QStringLiteral("window"));
    QSettings().setValue(QStringLiteral("window/splitter"), three.saveState());
    restart();
    EXPECT_GE(editor->ui().questionList->horizontalHeader()->sectionSize(2) * 3,
              editor->width());
    QSettings().remove(QStringLiteral("window"));
}

TEST_F(EditorTest, TheSearchUndoSaveAndTitleTellTheStaffWhereTheyAre)
{
    openBank();
    // The search takes the form to its first match when it hides the question shown.
    // From every question to a few, the list is laid out anew: first one key, then a paste.
    editor->selectRow(2);
    retype(ui().filterEdit, QStringLiteral("7"));
    EXPECT_EQ(editor->currentRow(), 6);
    ui().filterEdit->clear();
    editor->selectRow(16); // shown by the search: the form stays on it
    retype(ui().filterEdit, QStringLiteral("7"));
    EXPECT_EQ(editor->currentRow(), 16);
    ui().filterEdit->clear();
    editor->selectRow(2);
    QApplication::clipboard()->setText(QStringLiteral("Ответ 17."));
    QTest::keyClick(ui().filterEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->currentRow(), 16);
    ui().filterEdit->clear();
    retype(ui().filterEdit, QStringLiteral("нет такого текста"));
    EXPECT_EQ(editor->currentRow(), -1);
    EXPECT_FALSE(ui().questionText->isEnabled());
    ui().filterEdit->clear();

    // An undo puts the cursor where the change was, not at the field's start.
    editor->selectRow(4);
    const QString before = editor->document().questions()[4].question.toString();
    ui().questionText->setFocus();
    QTest::keyClick(ui().questionText, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(ui().questionText, QStringLiteral("?!"));
    QTest::keyClick(ui().questionText, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui().questionText->toPlainText(), before);
    EXPECT_EQ(ui().questionText->textCursor().position(), before.size());
    retype(ui().answer2, QStringLiteral("Ответ"));
    retype(ui().answer1, QStringLiteral("Ответ")); // another step: the next is not merged
    ui().answer2->setFocus();
    QTest::keyClick(ui().answer2, Qt::Key_Home);
    type(ui().answer2, QStringLiteral("Не "));
    ui().answer1->setFocus();
    editor->document().undoStack()->undo();
    EXPECT_EQ(ui().answer2->text(), QStringLiteral("Ответ"));
    EXPECT_EQ(ui().answer2->cursorPosition(), 0);
    editor->document().undoStack()->redo();
    EXPECT_EQ(ui().answer2->cursorPosition(), 3);

    // A save says so where the eye can see it: left of the verdict, with room for the words.
    ASSERT_TRUE(editor->save());
    const QStatusBar &status = *editor->statusBar();
    EXPECT_TRUE(status.currentMessage().startsWith(QStringLiteral("Банк сохранён")));
    const QLabel *verdict = nullptr;
    for (const QLabel *label : status.findChildren<QLabel *>())
        if (label->accessibleName() == QStringLiteral("Годность банка"))
            verdict = label;
    ASSERT_NE(verdict, nullptr);
    EXPECT_GT(verdict->geometry().left(),
              status.fontMetrics().horizontalAdvance(status.currentMessage()));
}

TEST_F(EditorTest, QtsOwnTextsAreRussian)
{
    ASSERT_TRUE(installQtTranslation(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    // The menus name the keys in Russian.
    EXPECT_EQ(ui().actionUp->shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Alt+Вверх"));
}

} // namespace

// Thirty exams: the first ten get questions 4 and 5 right, the others neither; every other
// question everybody gets right.
TEST_F(EditorTest, TheListShowsTheFiguresOfEachTextAsSavedAndTheProblemsTheirFlags)
{
    {
        JournalBuilder builder(bank.bankPath());
        for (int k = 0; k < 30; ++k) {
            std::vector<GivenAnswer> given;
            for (int id = 1; id <= 40; ++id)
                given.push_back((id == 4 || id == 5) && k >= 10 ? builder.answer(id, 0)
                                                                : builder.right(id));
            builder.finished(QStringLiteral("Экзаменуемый %1").arg(k),
                             QDateTime(QDate(2026, 12, 9), QTime(9, k)), given);
        }
    }
    openBank();
    editor->checkNow();
    QAbstractItemModel &list = *ui().questionList->model();
    const auto cell = [&](int row, int column) {
        return list.index(row, column).data().toString();
    };
    const auto warned = [&](const QString &text) {
        return !ui().problemList->findItems(QStringLiteral("⚠ ") + text, Qt::MatchExactly).empty();
    };
    EXPECT_EQ(cell(2, QuestionListModel::FacilityColumn), "100 %");
    EXPECT_EQ(cell(2, QuestionListModel::DiscriminationColumn), "—");
    // Right with 39 others, wrong with 38.
    EXPECT_EQ(cell(3, QuestionListModel::FacilityColumn), "33 %");
    EXPECT_EQ(cell(3, QuestionListModel::DiscriminationColumn), "1,00");
    EXPECT_TRUE(warned("вопрос 3: слишком лёгкий — ответов экзаменов: 30"));
    EXPECT_TRUE(warned("вопрос 4: ответ 1 не выбирают — ответов экзаменов: 30"));

    // Sorted by facility, the hardest first; a third click gives the bank's order back.
    QHeaderView &header = *ui().questionList->horizontalHeader();
    const auto click = [&] {
        QTest::mouseClick(
            header.viewport(), Qt::LeftButton, Qt::NoModifier,
            QPoint(header.sectionViewportPosition(QuestionListModel::FacilityColumn) + 4,
                   header.height() / 2));
    };
    click();
    EXPECT_EQ(cell(0, QuestionListModel::NumberColumn), "4");
    EXPECT_EQ(cell(1, QuestionListModel::NumberColumn), "5");
    click();
    click();
    EXPECT_EQ(cell(0, QuestionListModel::NumberColumn), "1");

    // A text changed and not saved has none; a question renumbered keeps its own.
    BankDocument &document = editor->document();
    document.setField(2, QuestionField::Question, QStringLiteral("Другой текст"));
    EXPECT_EQ(cell(2, QuestionListModel::FacilityColumn), "");
    document.insertQuestion(-1);
    editor->checkNow();
    EXPECT_EQ(cell(0, QuestionListModel::FacilityColumn), "");
    EXPECT_EQ(cell(3, QuestionListModel::FacilityColumn), "");
    EXPECT_EQ(cell(4, QuestionListModel::FacilityColumn), "33 %");
    EXPECT_FALSE(warned("вопрос 4: слишком лёгкий — ответов экзаменов: 30"));
    EXPECT_TRUE(warned("вопрос 5: ответ 1 не выбирают — ответов экзаменов: 30"));

    // Read again from the file as saved: the same.
    ASSERT_TRUE(editor->save()) << prompts().told.join('\n').toStdString();
    EXPECT_EQ(cell(3, QuestionListModel::FacilityColumn), "");
    EXPECT_EQ(cell(4, QuestionListModel::FacilityColumn), "33 %");
    EXPECT_EQ(cell(5, QuestionListModel::DiscriminationColumn), "1,00");
}
