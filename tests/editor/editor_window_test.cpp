#include "editor/bank_document.h"
#include "editor/editor_prompts.h"
#include "editor/editor_window.h"
#include "editor/question_preview.h"
#include "store/bank_file.h"
#include "store/journal_entry.h"
#include "testrun/exam_fixture.h"
#include "ui_editor_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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
                                    QMessageBox::StandardButton) override
    {
        asked.push_back(text);
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
    QImage image(700, 50, QImage::Format_RGB888);
    image.fill(Qt::darkRed);
    const QString chosen = QDir(elsewhere.path()).filePath(QStringLiteral("схема.bmp"));
    ASSERT_TRUE(image.save(chosen, "BMP"));
    const QString notAPicture = QDir(elsewhere.path()).filePath(QStringLiteral("текст.bmp"));
    QFile text(notAPicture);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("не рисунок");
    text.close();

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
    EXPECT_EQ(ui().preview->ui().Picture2->picture().size(), QSize(700, 50));
    editor->checkNow();
    EXPECT_TRUE(editor->report().accepted()) << editor->report().problems.join('\n').toStdString();
    ASSERT_EQ(editor->report().warnings.size(), 1);
    EXPECT_TRUE(editor->report().warnings.front().contains(QStringLiteral("700 × 50")));

    const QString path = QDir(elsewhere.path()).filePath(QStringLiteral("новый/data.mdb"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    prompts().files = {path};
    ASSERT_TRUE(editor->save()) << prompts().told.join('\n').toStdString();
    EXPECT_EQ(editor->path(), path);
    const QString copied = QDir(QFileInfo(path).path()).filePath(QStringLiteral("pictures/1.bmp"));
    EXPECT_EQ(QImage(copied).size(), QSize(700, 50));
    const BankTables saved = readBankTables(path);
    ASSERT_EQ(saved.questions.size(), 40u);
    EXPECT_EQ(saved.questions[39].question, QVariant(QStringLiteral("Вопрос 40")));
    EXPECT_EQ(saved.questions[39].ball, QVariant(qlonglong(4)));
    ASSERT_EQ(saved.users.size(), 1u);
    EXPECT_EQ(saved.users[0].chek, QVariant(false));
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

    attempt(now.addSecs(-25 * 60), QVariant());
    const QByteArray saved = bank.bytes();
    editor->document().setField(0, QuestionField::Question, QStringLiteral("Вторая правка"));
    prompts().answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(editor->save());
    ASSERT_EQ(prompts().asked.size(), 1);
    EXPECT_TRUE(prompts().asked.front().contains(QStringLiteral("Петрова Анна")));
    EXPECT_EQ(bank.bytes(), saved);
    EXPECT_TRUE(editor->isWindowModified());
}

} // namespace
