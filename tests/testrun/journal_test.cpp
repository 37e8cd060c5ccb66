#include "exam_fixture.h"

#include <QDir>
#include <QSysInfo>

namespace {

// The results journal beside the attempt record, through whole exams.
class JournalTest : public ExamTest
{
protected:
    QVariant journal(const QString &column)
    {
        return bank.value("select " + column + " from attempts order by id desc limit 1");
    }
    int attempts() { return bank.value("select count(*) from attempts").toInt(); }
    int chek() { return bank.value("select chek from users").toInt(); }
};

TEST_F(JournalTest, AnExamAddsItsRowAtRegistrationAndCompletesItAtTheResult)
{
    fake.clock.set(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)));
    registerExam();
    ASSERT_EQ(attempts(), 1);
    EXPECT_EQ(journal("username").toString(), "Иванов Пётр Сидорович");
    EXPECT_TRUE(journal("started").toString().startsWith("2026-12-09T09:30:00"));
    EXPECT_TRUE(journal("finished").isNull());
    EXPECT_EQ(journal("questions").toInt(), 40);
    EXPECT_EQ(journal("host").toString(), QSysInfo::machineHostName());

    fake.clock.advance(20 * 60);
    takeExam(32);
    EXPECT_EQ(attempts(), 1);
    EXPECT_TRUE(journal("finished").toString().startsWith("2026-12-09T09:50:00"));
    EXPECT_EQ(journal("right_answers").toInt(), 32);
    EXPECT_EQ(journal("passed").toInt(), 1);
    EXPECT_EQ(chek(), 1);
}

TEST_F(JournalTest, ABankWithoutAJournalWorksAsBeforeAndGetsNone)
{
    bank.run("DROP TABLE attempts");
    registerExam();
    takeExam(32);
    EXPECT_EQ(chek(), 1);
    EXPECT_EQ(bank.value("select count(*) from sqlite_master where name='attempts'").toInt(), 0);
    EXPECT_EQ(bank.value("select count(*) from answers").toInt(), 0);
}

TEST_F(JournalTest, AJournalThatRefusesTheAttemptsRowCostsTheRecordNothing)
{
    bank.run("UPDATE users SET username='Прежний', chek=1 WHERE id=1");
    bank.run("DROP TABLE attempts");
    bank.run("CREATE TABLE attempts (id INTEGER PRIMARY KEY, username TEXT CHECK (0), "
             "started TEXT, finished TEXT, right_answers INTEGER, passed BOOLEAN, "
             "questions INTEGER, host TEXT)");
    registerExam();
    ASSERT_FALSE(fake.ended());
    EXPECT_EQ(bank.value("select username from users").toString(), "Иванов Пётр Сидорович");
    EXPECT_EQ(chek(), 0);
    EXPECT_EQ(attempts(), 0);
}

TEST_F(JournalTest, AJournalThatRefusesTheFinishCostsThePassNothing)
{
    registerExam();
    bank.run("CREATE TRIGGER refuse BEFORE UPDATE OF finished ON attempts BEGIN "
             "SELECT RAISE(ABORT, 'refused'); END");
    takeExam(40);
    ASSERT_FALSE(fake.ended());
    EXPECT_EQ(chek(), 1);
    EXPECT_TRUE(main().Frame1->isVisible());
    EXPECT_TRUE(journal("finished").isNull());
    // Nor answers to an attempt that looks unfinished.
    EXPECT_EQ(bank.value("select count(*) from answers").toInt(), 0);
}

// A row of the answers refused (here the last, its place already taken) takes back every row of
// them, and nothing else: the pass and the journal's finish stay.
TEST_F(JournalTest, AnswersTheFileRefusesCostOnlyTheAnswers)
{
    registerExam();
    bank.run("INSERT INTO answers VALUES ((SELECT id FROM attempts), 40, 1, 0, 0, 0, x'00')");
    takeExam(33);
    ASSERT_FALSE(fake.ended());
    EXPECT_EQ(chek(), 1);
    EXPECT_EQ(journal("right_answers").toInt(), 33);
    EXPECT_FALSE(journal("finished").isNull());
    EXPECT_EQ(bank.value("select count(*) || ':' || max(place) from answers").toString(), "1:40");
}

} // namespace
