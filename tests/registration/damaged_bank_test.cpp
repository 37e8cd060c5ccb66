#include "registration_fixture.h"

#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace {

struct Damage
{
    const char *name;
    const char *statement; // run on a good bank of 60 questions; '|' between several
    const char *message;   // words the report must hold
};

class DamagedBank : public RegistrationTest, public ::testing::WithParamInterface<Damage>
{};

TEST_P(DamagedBank, IsRefusedOnOpeningWithItsProblemNamedAndTheRecordUntouched)
{
    for (const QString &statement : QString::fromUtf8(GetParam().statement).split('|'))
        bank.run(statement);
    bank.run("UPDATE users SET username='Прежний', chek=1 WHERE id=1");
    const QByteArray before = bank.bytes();

    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const QString report = fake.boxes.asked()[0].prompt;
    EXPECT_TRUE(report.contains(QString::fromUtf8(GetParam().message))) << report.toStdString();
    EXPECT_TRUE(report.contains(bank.bankPath())) << report.toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.frmMain->isVisible());
    EXPECT_EQ(bank.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedBank,
    ::testing::Values(
        Damage{"TooFew", "DELETE FROM questions WHERE id > 39", "39 вопросов"},
        Damage{"Gap", "DELETE FROM questions WHERE id = 30",
               "подряд от 1 до 60, номера последнего вопроса, без пропусков; номера 30 нет"},
        Damage{"Moved", "UPDATE questions SET id = 61 WHERE id = 7",
               "подряд от 1 до 61, номера последнего вопроса, без пропусков; номера 7 нет"},
        Damage{"PictureText", "UPDATE questions SET picture = 'abc' WHERE id = 5",
               "у вопроса 5 номер рисунка «abc»"},
        Damage{"PictureNegative", "UPDATE questions SET picture = '-3' WHERE id = 5", "«-3»"},
        Damage{"PictureWithComma", "UPDATE questions SET picture = '1,5' WHERE id = 5",
               "у вопроса 5 номер рисунка «1,5»"},
        Damage{"PictureFraction", "UPDATE questions SET picture = '2.5' WHERE id = 5",
               "у вопроса 5 номер рисунка «2.5»"},
        Damage{"PictureQuote", "UPDATE questions SET picture = '1''' WHERE id = 5",
               "у вопроса 5 номер рисунка «1'»"},
        Damage{"PictureTooLarge", "UPDATE questions SET picture = '40000' WHERE id = 5", "«40000»"},
        Damage{"PictureMissing", "UPDATE questions SET picture = '12' WHERE id = 5",
               "нет файла рисунка"},
        Damage{"NullQuestion", "UPDATE questions SET question = NULL WHERE id = 9",
               "у вопроса 9 нет текста"},
        Damage{"NullAnswer", "UPDATE questions SET answ3 = NULL WHERE id = 10",
               "у вопроса 10 нет текста ответа 3"},
        Damage{"NullCheckBoxAnswer", "UPDATE questions SET answ2 = NULL WHERE id = 11",
               "у вопроса 11 нет текста ответа 2"},
        Damage{"TextCode", "UPDATE questions SET ball = 'четыре' WHERE id = 11",
               "у вопроса 11 код правильного ответа — не число"},
        Damage{"EmptyCode", "UPDATE questions SET ball = '' WHERE id = 11", "не число"},
        Damage{"TextKind", "UPDATE questions SET type = 'один' WHERE id = 12", "«один»"},
        Damage{"JournalTrigger",
               "CREATE TRIGGER pass AFTER INSERT ON attempts BEGIN UPDATE users SET chek=1; END",
               "на таблице attempts есть триггер «pass»"},
        Damage{"JournalTextId",
               "DROP TABLE attempts|CREATE TABLE attempts (id TEXT PRIMARY KEY, username TEXT, "
               "started TEXT, finished TEXT, right_answers INTEGER, passed BOOLEAN, "
               "questions INTEGER, host TEXT)",
               "столбец id должен быть объявлен INTEGER PRIMARY KEY"},
        Damage{"JournalWithoutFinish", "ALTER TABLE attempts DROP COLUMN finished",
               "в журнале попыток (таблица attempts) нет столбца finished"},
        Damage{"AnswersTrigger",
               "CREATE TRIGGER mark AFTER INSERT ON answers BEGIN UPDATE users SET chek=1; END",
               "на таблице answers есть триггер «mark»"},
        Damage{"AnswersWithoutShown", "ALTER TABLE answers DROP COLUMN shown",
               "в таблице ответов (answers) нет столбца shown"},
        // Every row the exam writes would be refused for the column it leaves empty; a key the
        // engine numbers fills itself and is no problem.
        Damage{"AnswersWithAColumnToFill",
               "DROP TABLE answers|CREATE TABLE answers (n INTEGER PRIMARY KEY NOT NULL, attempt, "
               "place, question, code, scored, seconds, shown, grader TEXT NOT NULL)",
               "в таблице ответов (answers) столбец grader нельзя оставить пустым"}),
    [](const auto &info) { return std::string(info.param.name); });

// Another tool's bank: the same table without its key, so ids may repeat, stray or be texts.
class PlainIdsTest : public RegistrationTest
{
protected:
    PlainIdsTest()
    {
        bank.run("CREATE TABLE plain AS SELECT * FROM questions ORDER BY id");
        bank.run("DROP TABLE questions");
        bank.run("ALTER TABLE plain RENAME TO questions");
    }
};

class PlainIdGap : public PlainIdsTest, public ::testing::WithParamInterface<const char *>
{};

TEST_P(PlainIdGap, IsAnIdThatTheQuestionSelectCannotFind)
{
    bank.run(GetParam());
    const QByteArray before = bank.bytes();
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    click(user().Image3);
    EXPECT_TRUE(lastPrompt().endsWith("без пропусков; номера 6 нет")) << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Damages, PlainIdGap,
                         ::testing::Values("UPDATE questions SET id = 5 WHERE id = 6",
                                           "UPDATE questions SET id = 'шесть' WHERE id = 6",
                                           "UPDATE questions SET id = 6.5 WHERE id = 6"));

TEST_F(PlainIdsTest, RowsThatAreNeverAskedDoNoHarm)
{
    // Ids 0, negative, repeated, above the last row's, or whole numbers stored as reals.
    bank.run("INSERT INTO questions SELECT 0, question, answ1, answ2, answ3, answ4, ball, "
             "picture, type FROM questions WHERE id = 1");
    bank.run("INSERT INTO questions SELECT -3, question, answ1, answ2, answ3, answ4, ball, "
             "picture, type FROM questions WHERE id = 2");
    bank.run("INSERT INTO questions SELECT 5, question, answ1, answ2, answ3, answ4, ball, "
             "picture, type FROM questions WHERE id = 3");
    bank.run("UPDATE questions SET id = 7.0 WHERE id = 7");
    bank.run("UPDATE questions SET id = 100 WHERE id = 60");
    bank.run("INSERT INTO questions SELECT 60, question, answ1, answ2, answ3, answ4, ball, "
             "picture, type FROM questions WHERE id = 4");
    // What would be refused in a row that is asked.
    bank.run("UPDATE questions SET question = NULL, picture = '99' WHERE id = 0");
    bank.run("UPDATE questions SET answ1 = NULL, ball = 'x' WHERE id = -3");
    bank.run("UPDATE questions SET question = NULL, type = 'y', picture = 'z' WHERE id = 100");
    enter("Пётр", "Иванов", "Сидорович");
    click(user().Image1);
    EXPECT_FALSE(fake.ended()) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label12->text(), "Всего вопросов в базе: 60");
    EXPECT_EQ(bankRun(program.state).DrawnIds.size(), 62u);
}

TEST_F(PlainIdsTest, ALastIdStoredAsABlobIsSaidToBeOneNotShownAsTheNumberItSpells)
{
    bank.run("UPDATE questions SET id = CAST('60' AS BLOB) WHERE id = 60");
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    click(user().Image3);
    EXPECT_TRUE(lastPrompt().contains("номер последнего вопроса хранится как двоичные данные"))
        << lastPrompt().toStdString();
    EXPECT_FALSE(lastPrompt().contains("«60»")) << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
}

TEST_F(RegistrationTest, ATriggerThatWouldEmptyTheBankWhenTheAttemptIsRecordedIsRefusedFirst)
{
    bank.run("CREATE TRIGGER wipe AFTER UPDATE ON users BEGIN DELETE FROM questions WHERE id > 1; "
             "END");
    const QByteArray before = bank.bytes();
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_TRUE(lastPrompt().contains("на таблице users есть триггер «wipe»"))
        << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(RegistrationTest, WhatTheProgramCanShowIsNoDamage)
{
    bank.run("UPDATE questions SET ball = NULL WHERE id = 3");
    bank.run("UPDATE questions SET type = 2, answ1 = NULL, answ4 = NULL WHERE id = 4");
    bank.run("UPDATE questions SET type = NULL WHERE id = 6");
    bank.run("UPDATE questions SET ball = ' 4 ' WHERE id = 8");
    bank.run("UPDATE questions SET picture = '' WHERE id = 2");
    bank.run("UPDATE questions SET picture = '001' WHERE id = 14");
    enter("Пётр", "Иванов", "Сидорович");
    click(user().Image1);
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_TRUE(program.frmMain->isVisible());
}

TEST_F(RegistrationTest, APictureThatCannotBeReadIsRefusedAtOpeningNotWhenItsQuestionComes)
{
    // The header is a bitmap's, but the picture it declares is far too large to be read.
    QFile picture(QDir(bank.appPath()).filePath("pictures/1.bmp"));
    ASSERT_TRUE(picture.open(QIODevice::ReadWrite));
    QByteArray bytes = picture.readAll();
    qToLittleEndian<qint32>(30000, bytes.data() + 18);
    qToLittleEndian<qint32>(30000, bytes.data() + 22);
    ASSERT_TRUE(picture.seek(0));
    ASSERT_EQ(picture.write(bytes), bytes.size());
    picture.close();
    const QByteArray before = bank.bytes();

    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_TRUE(lastPrompt().contains("1.bmp для вопроса 2 не читается"))
        << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(RegistrationTest, AMissingBankIsNamedWithItsFolderAndNotCreated)
{
    QFile::remove(bank.bankPath());
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    click(user().Image3);
    const QString report = lastPrompt();
    EXPECT_TRUE(report.contains("data.mdb")) << report.toStdString();
    EXPECT_TRUE(report.contains(bank.workPath())) << report.toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(QFile::exists(bank.bankPath()));
}

TEST_F(RegistrationTest, AReadOnlyBankIsRefusedUnchanged)
{
    const QByteArray before = bank.bytes();
    QFile::setPermissions(bank.bankPath(), QFile::ReadOwner | QFile::ReadGroup);
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_TRUE(lastPrompt().contains("только для чтения")) << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    QFile::setPermissions(bank.bankPath(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(RegistrationTest, AnAttemptRecordWithoutItsRowOneIsRefusedInAnExamOnly)
{
    // The name would be compared with this row but written to a row that is not there.
    bank.run("UPDATE users SET id = 2, username = 'Иванов Пётр Сидорович', chek = 1");
    const QByteArray before = bank.bytes();
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_TRUE(lastPrompt().contains("первая строка таблицы users должна иметь id 1, а у неё "
                                      "id «2»"))
        << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(RegistrationTest, ADemonstrationRunDoesNotLookAtTheAttemptRecord)
{
    bank.run("UPDATE users SET id = 2");
    fake.boxes.answer(vbYes);
    click(user().Image3);
    EXPECT_FALSE(fake.ended()) << lastPrompt().toStdString();
    EXPECT_TRUE(program.frmMain->isVisible());
}

TEST_F(RegistrationTest, AnEmptyAttemptRecordIsAnErrorAndNothingIsWritten)
{
    bank.run("DELETE FROM users");
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.value("select count(*) from users").toInt(), 0);
}

} // namespace
