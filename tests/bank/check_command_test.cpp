#include "command_run.h"
#include "store/bank_file.h"

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

TEST_F(CheckCommand, ASoundBankPassesWithThePicturesOfTheProgramsFolder)
{
    const CommandRun result = check();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("программа примет этот банк")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QDir(program.path()).filePath("pictures")));
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
        "у вопроса 9 нет текста (question)",
        "у вопроса 11 нет текста ответа 2 (answ2)",
        "у вопроса 20 код правильного ответа (ball) — не число",
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
        "вопрос 6: код (ball) 5 нельзя набрать одним ответом (type 0)",
        "вопрос 7: код (ball) 2 нельзя набрать флажками (type 1)",
        "вопрос 8: код (ball) 4.5 нельзя набрать одним ответом (type 0)",
        "вопрос 10: код правильного ответа (ball) пуст",
        "вопрос 13: текст вопроса (question) пуст",
        "вопрос 15: ответ 3 (answ3) пуст",
        "вопрос 12: рисунок 2.bmp размером 800 × 300 больше места для рисунка (586 × 127)",
        "рисунок " + QDir(program.filePath("pictures")).filePath("5.bmp") +
            " не нужен ни одному вопросу",
    };
    for (const QString &warning : expected)
        EXPECT_TRUE(result.out.contains("предупреждение: " + warning))
            << warning.toStdString() << "\n"
            << result.out.toStdString();
    EXPECT_EQ(result.out.count("предупреждение: "), expected.size()) << result.out.toStdString();
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
