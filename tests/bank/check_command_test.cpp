#include "command_run.h"
#include "store/bank_file.h"
#include "support/bank_question.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

class CheckCommand : public ::testing::Test
{
protected:
    CheckCommand()
    {
        std::vector<BankQuestion> questions;
        for (int id = 1; id <= 45; ++id) {
            BankQuestion q;
            q.id = id;
            q.type = id % 2;
            q.question = QStringLiteral("Вопрос %1?").arg(id);
            q.answers = {"да", "нет", "не знаю", "может быть"};
            q.right[1] = true;
            questions.push_back(q);
        }
        questions[1].picture = 1;
        writeBankFile(bank(), questions);
        makePictures(program.filePath("pictures"));
    }

    QString bank() const { return dir.filePath("data.mdb"); }

    // The bank's attempts, as the exam journals them.
    void addAttempts() const
    {
        run("INSERT INTO attempts (username, started, finished, right_answers, passed, questions, "
            "host) VALUES ('Иванов Иван', '2026-12-09T10:00:00+03:00', "
            "'2026-12-09T10:40:00+03:00', 35, 1, 45, 'kab1')");
        run("INSERT INTO attempts (username, started, questions, host) VALUES ('Петров Пётр', "
            "'2026-12-09T11:00:00+03:00', 45, 'kab1')");
    }

    void run(const QString &sql) const
    {
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(bank());
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase(name);
    }

    CommandRun check(QStringList extra = {})
    {
        return runCommand(checkCommand, extra + QStringList{bank()}, program.path());
    }

    QTemporaryDir dir;
    QTemporaryDir program;
};

TEST_F(CheckCommand, ASoundBankPassesWithThePicturesBesideItOrElseThoseOfTheProgramsFolder)
{
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("программа примет этот банк")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QDir(program.path()).filePath("pictures")));

    // The staff's bank with its pictures beside it, as the editor and prepare read them.
    const QString beside = dir.filePath("pictures");
    makePictures(beside, {1, 3});
    const CommandRun own = check();
    EXPECT_EQ(own.status, 0) << own.err.toStdString();
    EXPECT_TRUE(own.out.contains("рисунки из " + beside)) << own.out.toStdString();
    EXPECT_EQ(own.out.count("не нужен ни одному вопросу"), 1) << own.out.toStdString();
    EXPECT_TRUE(own.out.contains(QDir(beside).filePath("3.bmp") + " не нужен"));
}

// The engine would leave its log and index files beside a bank in write-ahead mode even when
// only reading it, and the keeper refuses a bank with them: the check leaves the folder as it was.
TEST_F(CheckCommand, ABankInWriteAheadModeIsCheckedWithoutFilesLeftBesideIt)
{
    run("PRAGMA journal_mode = WAL");
    run("UPDATE questions SET answ2 = NULL WHERE id = 11");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(before, QStringList{"data.mdb"});
    const CommandRun result = check();
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains("у вопроса 11 нет текста ответа 2"))
        << result.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
}

TEST_F(CheckCommand, ReportsEveryReasonTheProgramWouldRefuseTheBankOneALine)
{
    run("UPDATE questions SET question = NULL WHERE id = 9");
    run("UPDATE questions SET answ2 = NULL WHERE id = 11");
    run("UPDATE questions SET picture = '12' WHERE id = 14");
    run("UPDATE questions SET ball = 'четыре' WHERE id = 20");
    run("DELETE FROM questions WHERE id = 30");
    run("UPDATE users SET id = 2");
    const CommandRun result = check();
    EXPECT_EQ(result.status, 1);
    const QStringList lines = result.err.trimmed().split('\n');
    const QStringList expected = {
        "номера 30 нет",
        "у вопроса 9 нет текста вопроса",
        "у вопроса 11 нет текста ответа 2",
        "у вопроса 20 код правильного ответа — не число",
        "для вопроса 14",
        "первая строка таблицы users должна иметь id 1, а у неё id «2»",
    };
    ASSERT_EQ(lines.size(), expected.size()) << result.err.toStdString();
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(bank() + ": ")) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(expected[i])) << lines[i].toStdString();
    }
    EXPECT_TRUE(result.out.contains("программа этот банк не примет")) << result.out.toStdString();
}

TEST_F(CheckCommand, WarnsOfWhatWouldHurtAnExamineeButLetsTheBankPass)
{
    // Far more than two lines of the question's label; an answer wider than its row in the
    // exam's font although short enough in characters for a narrow font.
    run("UPDATE questions SET question = '" + QString(60, 'x').replace("x", "слово ") +
        "' WHERE id = 3");
    run("UPDATE questions SET answ4 = '" + QString(80, QChar(0x0428)) + "' WHERE id = 5");
    run("UPDATE questions SET ball = 5 WHERE id = 6");  // single choice
    run("UPDATE questions SET ball = 2 WHERE id = 7");  // multiple choice
    run("UPDATE questions SET ball = 29 WHERE id = 9"); // multiple choice: all four, fine
    run("UPDATE questions SET ball = NULL WHERE id = 10");
    run("UPDATE questions SET ball = 4.5 WHERE id = 8"); // single choice
    run("UPDATE questions SET picture = '2' WHERE id = 12");
    run("UPDATE questions SET question = '  ' WHERE id = 13");
    run("UPDATE questions SET answ3 = '' WHERE id = 15");
    run("UPDATE questions SET answ3 = '', type = 2 WHERE id = 17"); // no answers shown
    makePictures(program.filePath("pictures"), {2}, {800, 300});
    makePictures(program.filePath("pictures"), {5});

    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    const QStringList expected = {
        "вопрос 3: текст вопроса не помещается в надпись 598 × 40",
        "вопрос 5: ответ 4: текст шириной",
        "вопрос 6: код правильного ответа 5 нельзя набрать одним ответом (переключателями)",
        "вопрос 7: код правильного ответа 2 нельзя набрать флажками",
        "вопрос 8: код правильного ответа 4.5 нельзя набрать одним ответом (переключателями)",
        "вопрос 10: код правильного ответа пуст",
        "вопрос 13: текст вопроса пуст",
        "вопрос 15: ответ 3 пуст",
        "вопрос 12: рисунок 2.bmp размером 800 × 300 больше места для рисунка (586 × 127)",
        "вопрос 17: вид вопроса 2 — не 0 (переключатели) и не 1 (флажки): ответы не показываются",
        "рисунок " + QDir(program.filePath("pictures")).filePath("5.bmp") +
            " не нужен ни одному вопросу",
    };
    for (const QString &warning : expected)
        EXPECT_TRUE(result.out.contains("предупреждение: " + warning))
            << warning.toStdString() << "\n"
            << result.out.toStdString();
    EXPECT_EQ(result.out.count("предупреждение: "), expected.size()) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Вопросов без ответов (вид вопроса не 0 и не 1): 1 из 45."))
        << result.out.toStdString();
}

// A damaged description of an old table once imported as a bank whose every kind was Null: it
// passed the check with one warning, and nobody could answer a question of it.
TEST_F(CheckCommand, EveryQuestionThatShowsNoAnswersIsWarnedOfAndCounted)
{
    run("UPDATE questions SET type = NULL WHERE id IN (4, 9)");
    run("UPDATE questions SET type = 7 WHERE id = 12");
    run("UPDATE questions SET type = '3' WHERE id = 20");
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList expected = {
        "вопрос 4: вид вопроса пуст: ответы не показываются, экзаменуемому нечего отметить: "
        "вопрос засчитается всем, если код правильного ответа равен 0, и никому при другом коде",
        "вопрос 9: вид вопроса пуст: ответы не показываются",
        "вопрос 12: вид вопроса 7 — не 0 (переключатели) и не 1 (флажки): ответы не показываются",
        "вопрос 20: вид вопроса 3 — не 0 (переключатели) и не 1 (флажки): ответы не показываются",
    };
    for (const QString &warning : expected)
        EXPECT_TRUE(result.out.contains("предупреждение: " + warning))
            << warning.toStdString() << "\n"
            << result.out.toStdString();
    EXPECT_EQ(result.out.count("предупреждение: "), expected.size()) << result.out.toStdString();
    EXPECT_TRUE(result.out.trimmed().endsWith(
        "программа примет этот банк. Предупреждений: 4. Вопросов без ответов (вид вопроса не 0 и "
        "не 1): 4 из 45."))
        << result.out.toStdString();

    // None at all: the whole bank.
    run("UPDATE questions SET type = NULL");
    const CommandRun none = check();
    EXPECT_EQ(none.out.count("ответы не показываются"), 45) << none.out.toStdString();
    EXPECT_TRUE(none.out.contains("Вопросов без ответов (вид вопроса не 0 и не 1): 45 из 45."))
        << none.out.toStdString();
}

// «в нём 1 вопросов», «в нём 3 вопросов»: each count agrees with its noun (the forms themselves
// are the store's CountedTest).
TEST_F(CheckCommand, CountsAgreeWithTheirNouns)
{
    run("DELETE FROM questions WHERE id > 41");
    const CommandRun passed = check();
    EXPECT_TRUE(passed.out.contains("в банке 41 вопрос, рисунки из")) << passed.out.toStdString();
    run("DELETE FROM questions WHERE id > 3");
    const CommandRun refused = check();
    EXPECT_TRUE(refused.err.contains("в нём 3 вопроса (номер последнего — 3), а для теста нужно "
                                     "не меньше 40"))
        << refused.err.toStdString();
}

TEST_F(CheckCommand, AnAnswerThatFitsInCharactersButNotInTheFontIsCaughtAndANarrowOneIsNot)
{
    // The same number of characters: wide capitals overflow the row, narrow letters do not.
    run("UPDATE questions SET answ1 = '" + QString(100, 'i') + "' WHERE id = 3");
    run("UPDATE questions SET answ1 = '" + QString(100, 'W') + "' WHERE id = 5");
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.out.contains("вопрос 3: ")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("вопрос 5: ответ 1: ")) << result.out.toStdString();
}

TEST_F(CheckCommand, ACodeTheProgramReadsAsTrueOrFalseIsWarnedOf)
{
    // Made by another tool with `ball` declared BOOLEAN: the program reads 4 as True, which no
    // ticks give, so nobody could pass.
    run("CREATE TABLE copy (id INTEGER PRIMARY KEY, question TEXT, answ1 TEXT, answ2 TEXT, "
        "answ3 TEXT, answ4 TEXT, ball BOOLEAN, picture TEXT, type INTEGER)");
    run("INSERT INTO copy SELECT id, question, answ1, answ2, answ3, answ4, ball, picture, type "
        "FROM questions");
    run("DROP TABLE questions");
    run("ALTER TABLE copy RENAME TO questions");
    const CommandRun result = check();
    EXPECT_EQ(result.out.count("программа читает как логическое значение True"), 45)
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Предупреждений: 45.")) << result.out.toStdString();
}

TEST_F(CheckCommand, APictureTooWideOrTooTallAloneIsWarnedAndOneThatJustFitsIsNot)
{
    // The exam window's picture box is 586 × 127.
    run("UPDATE questions SET picture = '3' WHERE id = 4");
    run("UPDATE questions SET picture = '4' WHERE id = 6");
    run("UPDATE questions SET picture = '5' WHERE id = 8");
    makePictures(program.filePath("pictures"), {3}, {600, 100});
    makePictures(program.filePath("pictures"), {4}, {500, 130});
    makePictures(program.filePath("pictures"), {5}, {586, 127});
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("вопрос 4: рисунок 3.bmp размером 600 × 100 больше места для "
                                    "рисунка (586 × 127)"))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("вопрос 6: рисунок 4.bmp размером 500 × 130 больше места для "
                                    "рисунка (586 × 127)"))
        << result.out.toStdString();
    EXPECT_FALSE(result.out.contains("вопрос 8: ")) << result.out.toStdString();
}

// The check read the questions and the attempt record only: a bank whose journal `results` could
// not read passed it.
TEST_F(CheckCommand, AJournalResultsCannotReadIsAProblemAsResultsWouldSayIt)
{
    addAttempts();
    int page = 0;
    int pageSize = 0;
    {
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(bank());
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec("SELECT rootpage, (SELECT page_size FROM pragma_page_size) "
                                   "FROM sqlite_master WHERE name = 'attempts'") &&
                        query.next());
            page = query.value(0).toInt();
            pageSize = query.value(1).toInt();
        }
        QSqlDatabase::removeDatabase(name);
    }
    ASSERT_GT(page, 1);
    {
        QFile file(bank());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(qint64(page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\0'));
    }
    const CommandRun results = runCommand(resultsCommand, {bank()});
    EXPECT_EQ(results.status, 1);
    ASSERT_TRUE(results.err.startsWith(bank() + ": ")) << results.err.toStdString();
    const QString resultsSays = results.err.trimmed().mid(bank().size() + 2);
    EXPECT_TRUE(resultsSays.contains("файл повреждён")) << resultsSays.toStdString();

    const CommandRun result = check();
    EXPECT_EQ(result.status, 1) << result.out.toStdString();
    EXPECT_EQ(result.err.trimmed(),
              bank() + ": журнал попыток (таблица attempts) не читается: " + resultsSays);
    EXPECT_TRUE(result.out.contains("программа этот банк не примет; проблем: 1"))
        << result.out.toStdString();
}

// A cell `results` shows as damaged is a warning of the check, in the words `results` uses.
TEST_F(CheckCommand, AJournalCellResultsShowsAsDamagedIsWarnedOfInItsWords)
{
    addAttempts();
    run("UPDATE attempts SET passed = 'no' WHERE id = 1");
    run("UPDATE attempts SET started = 'вчера' WHERE id = 2");
    const CommandRun results = runCommand(resultsCommand, {bank()});
    EXPECT_EQ(results.status, 1);
    QStringList resultsSays = results.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(resultsSays.size(), 2) << results.err.toStdString();
    for (QString &line : resultsSays)
        line = "предупреждение: журнал попыток: " + line.mid(bank().size() + 2);

    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.split('\n').filter("журнал попыток"), resultsSays)
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Предупреждений: 2.")) << result.out.toStdString();
    EXPECT_TRUE(resultsSays.value(0).endsWith("попытка 1 (id в таблице attempts), столбец passed: "
                                              "текст «no» — ожидается 0, 1 или пусто"))
        << resultsSays.value(0).toStdString();

    // A sound journal adds nothing.
    run("DELETE FROM attempts");
    addAttempts();
    EXPECT_FALSE(check().out.contains("журнал")) << check().out.toStdString();
}

// The answers are read too: a row holding what the exam never writes, or a finished attempt whose
// answers do not add up to its journal row, would give wrong figures, and is named.
TEST_F(CheckCommand, AnswersTheFiguresWouldMiscountAreWarnedOfRowByRow)
{
    addAttempts();
    // The first attempt's answers as the exam writes them: 40, 35 of them right.
    run("WITH RECURSIVE p(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM p WHERE n < 40) "
        "INSERT INTO answers SELECT 1, n, n, 4, n <= 35, n * 1.5, randomblob(32) FROM p");
    EXPECT_FALSE(check().out.contains("answers")) << check().out.toStdString();

    run("UPDATE answers SET scored = 0 WHERE place = 1");
    run("UPDATE answers SET code = 'x' WHERE place = 2");
    run("UPDATE answers SET shown = x'00' WHERE place = 3");
    run("UPDATE answers SET seconds = -1 WHERE place = 4");
    run("UPDATE answers SET question = 5 WHERE place = 6");
    run("UPDATE answers SET scored = 2 WHERE place = 5");
    run("UPDATE answers SET question = 40000 WHERE place = 7");
    run("INSERT INTO answers VALUES (2, 1, 1, 4, 1, 3.0, randomblob(32)), "
        "(9, 1, 1, 4, 1, 3.0, randomblob(32)), (1, 41, 41, 4, 0, 3.0, randomblob(32))");
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const QString prefix = "предупреждение: ответы (таблица answers): ";
    EXPECT_EQ(result.out.split('\n').filter("answers"),
              QStringList({
                  prefix + "место (place) не целое число от 1 до 40 — строк: 1 (attempt 1, "
                           "place 41)",
                  prefix + "номер вопроса (question) не целое число от 1 до 32767 — строк: 1 "
                           "(attempt 1, place 7)",
                  prefix + "код ответа (code) не целое число от 0 до 29 — строк: 1 (attempt 1, "
                           "place 2)",
                  prefix + "зачёт (scored) не 0 и не 1 — строк: 1 (attempt 1, place 5)",
                  prefix + "время ответа (seconds) не число секунд от 0 — строк: 1 (attempt 1, "
                           "place 4)",
                  prefix + "отпечаток вопроса (shown) не 32 байта — строк: 1 (attempt 1, "
                           "place 3)",
                  prefix + "попытки (attempt) нет в журнале попыток — строк: 1 (attempt 9, "
                           "place 1)",
                  prefix + "попытка (attempt) не закончена, а ответы записываются только с её "
                           "результатом — строк: 1 (attempt 2, place 1)",
                  prefix + "у попытки 1 ответов 41, а не 40, вопрос повторяется, засчитано "
                           "ответов 33, а в журнале правильных «35»",
              }))
        << result.out.toStdString();
}

TEST_F(CheckCommand, AFileThatCannotBeOpenedIsRefusedAndWrongUsageIsTwo)
{
    {
        // A damaged page is a problem said in Russian, never an empty report.
        QTemporaryDir damaged;
        const QString path = damaged.filePath("data.mdb");
        ASSERT_TRUE(QFile::copy(bank(), path));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_GT(file.size(), 2 * 16384);
        file.seek(16384);
        file.write(QByteArray(16384, '\xff'));
        file.close();
        const CommandRun result = runCommand(checkCommand, {path}, program.path());
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(result.err.contains(path + ": ")) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains("повреждён")) << result.err.toStdString();
        EXPECT_TRUE(result.out.contains("программа этот банк не примет"))
            << result.out.toStdString();
    }
    EXPECT_EQ(runCommand(checkCommand, {dir.filePath("none.mdb")}, program.path()).status, 1);
    EXPECT_EQ(runCommand(checkCommand, {}, program.path()).status, 2);
    EXPECT_EQ(runCommand(checkCommand, {bank(), bank()}, program.path()).status, 2);
}

} // namespace
