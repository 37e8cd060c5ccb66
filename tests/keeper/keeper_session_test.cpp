#include "keeper_test_support.h"
#include "store/rules.h"
#include "support/bank_fixture.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

using Channel::Message;

const char Examinee[] = "Иванов Пётр Сидорович";

class KeeperSessionTest : public ::testing::Test
{
protected:
    Message send(std::initializer_list<const char *> fields)
    {
        const std::optional<Message> reply = fake.session.handle(request(fields));
        EXPECT_TRUE(reply) << "stopped at " << *fields.begin();
        return reply.value_or(Message{"(stopped)"});
    }
    // Answers the 40 questions, the first `right` of them with their right codes, the rest with
    // a code no question has. Returns the last reply.
    Message answerAll(int right)
    {
        Message last;
        for (int n = 1; n <= Rules::TestLength; ++n) {
            const Message question = send({"QUESTION"});
            EXPECT_EQ(question.front(), "QUESTION");
            EXPECT_EQ(question.at(1), QByteArray::number(n));
            asked.insert(shownId(question));
            const QByteArray code = n <= right
                                        ? QByteArray::number(rightCode(bank, shownId(question)))
                                        : QByteArray(WrongCode);
            last = send({"ANSWER", code.constData()});
            if (n < Rules::TestLength)
                EXPECT_EQ(last, Message{"SCORED"});
        }
        return last;
    }
    void openExam()
    {
        ASSERT_EQ(send({"OPEN", "exam"}).front(), "OPENED");
        ASSERT_EQ(send({"REGISTER", Examinee}), Message{"ADMITTED"});
    }
    QVariant chek() const { return bank.value("select chek from users where id=1"); }

    BankFixture bank;
    FakeKeeper fake;
    QSet<int> asked;
};

TEST_F(KeeperSessionTest, OpeningTellsTheBankSizeAndThePicturesTheWindowMustCheck)
{
    bank.run("UPDATE questions SET picture='007' WHERE id=5");
    bank.run("UPDATE questions SET picture='' WHERE id=7");
    const Message opened = send({"OPEN", "demo"});
    // Bank size, then two pictures: 1 first shown by question 2, "007" by question 5.
    ASSERT_EQ(opened.size(), 7u);
    EXPECT_EQ(opened[1], "60");
    EXPECT_EQ(opened[2], "2");
    EXPECT_EQ(opened[3], "2");
    EXPECT_EQ(opened[4], "T1");
    EXPECT_EQ(opened[5], "5");
    EXPECT_EQ(opened[6], "T007");
}

TEST_F(KeeperSessionTest, ABankTheExamCannotBeTakenFromIsRefusedAndTheKeeperStops)
{
    bank.run("UPDATE questions SET picture='семь' WHERE id=5");
    const QByteArray before = bank.bytes();
    const Message refused = send({"OPEN", "exam"});
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0], "ERROR");
    EXPECT_EQ(refused[1], "3000");
    EXPECT_TRUE(QString::fromUtf8(refused[2]).contains("у вопроса 5 номер рисунка"));
    EXPECT_TRUE(fake.session.ended());
    EXPECT_FALSE(fake.session.handle(request({"QUESTION"})));
    EXPECT_EQ(bank.bytes(), before);
}

// The refusal reaches the examinee's window: it says where a code is wrong, never what it is.
TEST_F(KeeperSessionTest, ARefusedCodeIsNamedButNotQuoted)
{
    bank.run("UPDATE questions SET ball='4x' WHERE id=7");
    const Message refused = send({"OPEN", "demo"});
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0], "ERROR");
    const QString told = QString::fromUtf8(refused[2]);
    EXPECT_TRUE(told.contains("у вопроса 7 код правильного ответа — не число"))
        << told.toStdString();
    EXPECT_FALSE(told.contains("4x")) << told.toStdString();
}

TEST_F(KeeperSessionTest, AWholeExamIsRecordedAsTheWindowRecordsIt)
{
    openExam();
    EXPECT_EQ(bank.value("select username from users where id=1").toString(), Examinee);
    EXPECT_FALSE(chek().toBool());
    EXPECT_EQ(bank.value("select count(*) from attempts where finished is null").toInt(), 1);

    EXPECT_EQ(answerAll(33), (Message{"COUNTED", "33"}));
    EXPECT_EQ(asked.size(), Rules::TestLength);
    EXPECT_FALSE(asked.contains(0));
    // The count is told first; the record is written when the window asks for it, after it has
    // shown whether the test was passed.
    EXPECT_FALSE(fake.session.ended());
    EXPECT_FALSE(chek().toBool());
    EXPECT_TRUE(bank.value("select finished from attempts").isNull());
    EXPECT_EQ(send({"RECORD"}), Message{"RECORDED"});
    EXPECT_TRUE(fake.session.ended());
    EXPECT_TRUE(chek().toBool());
    EXPECT_EQ(bank.value("select right_answers from attempts").toInt(), 33);
    EXPECT_EQ(bank.value("select passed from attempts").toInt(), 1);
    EXPECT_EQ(bank.value("select host from attempts").toString(), "класс-3");
    EXPECT_EQ(bank.value("select username from attempts").toString(), Examinee);
    EXPECT_EQ(bank.value("select questions from attempts").toInt(), 60);
    EXPECT_EQ(bank.value("select account from attempts").toString(), "ученик (uid 1001)");
    // Nothing after the result: a 41st answer or question stops the keeper.
    EXPECT_FALSE(fake.session.handle(request({"RECORD"})));
    EXPECT_FALSE(fake.session.handle(request({"QUESTION"})));
}

TEST_F(KeeperSessionTest, ThirtyOneRightIsAFailInTheRecordAndTheJournal)
{
    // A journal made before it named accounts is written all the same.
    bank.run("ALTER TABLE attempts DROP COLUMN account");
    bank.run("UPDATE users SET chek=1 WHERE id=1");
    openExam();
    EXPECT_EQ(answerAll(31), (Message{"COUNTED", "31"}));
    EXPECT_EQ(send({"RECORD"}), Message{"RECORDED"});
    EXPECT_FALSE(chek().toBool());
    EXPECT_EQ(bank.value("select right_answers from attempts").toInt(), 31);
    EXPECT_EQ(bank.value("select passed from attempts").toInt(), 0);
}

TEST_F(KeeperSessionTest, QuestionsNeverShowTheirCodeAndComeNoFasterThanTheSpacing)
{
    ASSERT_EQ(send({"OPEN", "demo"}).front(), "OPENED");
    const Message first = send({"QUESTION"});
    // Verb, number, question, type, four answers, picture: no code among them.
    ASSERT_EQ(first.size(), 9u);
    const int id = shownId(first);
    EXPECT_EQ(first[3], QByteArray(id % 2 == 0 ? "D0" : "D1"));
    EXPECT_EQ(first[4], "T" + QStringLiteral("Ответ %1.1").arg(id).toUtf8());
    EXPECT_EQ(first[7], "T" + QStringLiteral("Ответ %1.4").arg(id).toUtf8());
    EXPECT_EQ(first[8], QByteArray(id == 2 ? "T1" : "N"));
    EXPECT_EQ(fake.sleeps, 0);

    // Between requests the keeper holds no lock: another program can write at once.
    bank.run("UPDATE questions SET question=question WHERE id=1");
    send({"ANSWER", "0"});
    fake.clock += 0.25;
    send({"QUESTION"});
    EXPECT_NEAR(fake.slept, 0.75, 1e-9);
    send({"ANSWER", "0"});
    fake.clock += 5;
    send({"QUESTION"});
    EXPECT_EQ(fake.sleeps, 1);
}

// A script answering at once still takes 40 s a run, the count coming a second after the 40th
// answer, in both modes: the totals read no key out quickly.
TEST_F(KeeperSessionTest, ARunTakesFortySecondsAtLeastAndTheCountComesASecondAfterTheLastAnswer)
{
    for (const char *mode : {"demo", "exam"}) {
        FakeKeeper keeper;
        const auto ask = [&](std::initializer_list<const char *> fields) {
            return keeper.session.handle(request(fields)).value_or(Message{"(stopped)"});
        };
        ASSERT_EQ(ask({"OPEN", mode}).front(), "OPENED");
        if (mode == std::string_view("exam"))
            ASSERT_EQ(ask({"REGISTER", Examinee}), Message{"ADMITTED"});
        const double started = keeper.clock;
        Message last;
        for (int n = 1; n <= Rules::TestLength; ++n) {
            ASSERT_EQ(ask({"QUESTION"}).front(), "QUESTION");
            const double before = keeper.clock;
            last = ask({"ANSWER", WrongCode});
            if (n == Rules::TestLength)
                EXPECT_NEAR(keeper.clock - before, 1, 1e-9) << mode;
        }
        EXPECT_EQ(last.front(), "COUNTED");
        EXPECT_GE(keeper.clock - started, 40 - 1e-9) << mode;
        EXPECT_EQ(keeper.sleeps, Rules::TestLength) << mode;
    }
}

// Limits only where waiting is no examinee's: before the first request, while a question is out,
// and the whole test from its first question; none before «Начать тест».
TEST_F(KeeperSessionTest, DeadlinesFallOnlyWhereNoExamineeCanBeWaiting)
{
    EXPECT_DOUBLE_EQ(*fake.session.deadline(), 1000 + KeeperSession::FirstRequestSeconds);
    ASSERT_EQ(send({"OPEN", "exam"}).front(), "OPENED");
    EXPECT_FALSE(fake.session.deadline());
    ASSERT_EQ(send({"REGISTER", Examinee}), Message{"ADMITTED"});
    fake.clock += 3600;
    EXPECT_FALSE(fake.session.deadline());
    const double firstAt = fake.clock;
    send({"QUESTION"});
    const double wholeTest = firstAt + Rules::TestLength * Rules::QuestionSeconds +
                             KeeperSession::TestSlackSeconds;
    EXPECT_DOUBLE_EQ(*fake.session.deadline(),
                     firstAt + Rules::QuestionSeconds + KeeperSession::AnswerSlackSeconds +
                         KeeperSession::AnswerWaitSeconds);
    send({"ANSWER", WrongCode});
    EXPECT_DOUBLE_EQ(*fake.session.deadline(), wholeTest);
    fake.clock = wholeTest - 10;
    send({"QUESTION"});
    EXPECT_DOUBLE_EQ(*fake.session.deadline(), wholeTest);
}

// The workstation is claimed at the first request, before the bank is opened or anything written;
// a refusal ends the session with the error and leaves the bank as it was.
TEST_F(KeeperSessionTest, ABusyWorkstationIsRefusedBeforeTheBankIsTouched)
{
    const QByteArray before = bank.bytes();
    fake.busy = true;
    const Message reply = send({"OPEN", "exam"});
    ASSERT_EQ(reply.front(), "ERROR");
    EXPECT_EQ(reply.at(1), "3050");
    EXPECT_TRUE(fake.session.ended());
    EXPECT_EQ(bank.bytes(), before);
    EXPECT_TRUE(fake.session.summary("ученик (uid 1001)").contains("не дошёл до результата"));
}

TEST_F(KeeperSessionTest, TheSessionLineNamesAccountModeTimesAndCount)
{
    openExam();
    fake.now = fake.now.addSecs(300);
    answerAll(33);
    const QString line = fake.session.summary(QStringLiteral("ученик (uid 1001)"));
    for (const char *part : {"ученик (uid 1001)", "экзамен", "начало 2024-09-15T10:30:00",
                             "конец 2024-09-15T10:35:00", "вопросов задано 40",
                             "верных ответов: 33"})
        EXPECT_TRUE(line.contains(QString::fromUtf8(part))) << line.toStdString() << " | " << part;
}

TEST_F(KeeperSessionTest, ADemonstrationCountsTheSameAndWritesNothing)
{
    bank.run("UPDATE users SET username=?, chek=1 WHERE id=1", {Examinee});
    const QByteArray before = bank.bytes();
    ASSERT_EQ(send({"OPEN", "demo"}).front(), "OPENED");
    EXPECT_EQ(answerAll(12), (Message{"COUNTED", "12"}));
    EXPECT_TRUE(fake.session.ended());
    EXPECT_FALSE(fake.session.handle(request({"RECORD"})));
    EXPECT_EQ(bank.bytes(), before);
}

// The window's countdown runs on ticks, which a stalled machine drops: a right answer the window
// still took counts, however late by the keeper's clock, up to a limit only a window that was
// tampered with reaches. Past it the answer is wrong, and the staff are told on standard error.
TEST_F(KeeperSessionTest, ALateAnswerCountsUpToAMinuteAndMorePastItsTimeThenIsWrongAndTold)
{
    ASSERT_GE(KeeperSession::AnswerSlackSeconds, 60);
    ASSERT_EQ(send({"OPEN", "demo"}).front(), "OPENED");
    Message question = send({"QUESTION"});
    fake.clock += Rules::QuestionSeconds + 59;
    send({"ANSWER", QByteArray::number(rightCode(bank, shownId(question))).constData()});
    question = send({"QUESTION"});
    fake.clock += Rules::QuestionSeconds + KeeperSession::AnswerSlackSeconds;
    send({"ANSWER", QByteArray::number(rightCode(bank, shownId(question))).constData()});
    EXPECT_TRUE(fake.told.isEmpty()) << fake.told.join('\n').toStdString();
    question = send({"QUESTION"});
    fake.clock += Rules::QuestionSeconds + KeeperSession::AnswerSlackSeconds + 0.01;
    send({"ANSWER", QByteArray::number(rightCode(bank, shownId(question))).constData()});
    ASSERT_EQ(fake.told.size(), 1);
    EXPECT_TRUE(fake.told[0].startsWith("ответ на вопрос 3 пришёл через 301.0 с после вопроса, "
                                        "позже предела в 301 с: он засчитан как неверный"))
        << fake.told[0].toStdString();
    Message last;
    for (int n = 4; n <= Rules::TestLength; ++n) {
        send({"QUESTION"});
        last = send({"ANSWER", WrongCode});
    }
    EXPECT_EQ(last, (Message{"COUNTED", "2"}));
}

TEST_F(KeeperSessionTest, TheSameNameIsRefusedWithTheStoredResultAndNothingWritten)
{
    struct Case
    {
        const char *chek;
        const char *shown;
    };
    for (const Case &c : {Case{"1", "1"}, Case{"-1", "1"}, Case{"0", "0"}, Case{"NULL", "0"}}) {
        bank.run(QStringLiteral("UPDATE users SET username=?, chek=%1 WHERE id=1").arg(c.chek),
                 {Examinee});
        const QByteArray before = bank.bytes();
        FakeKeeper keeper;
        ASSERT_EQ(keeper.session.handle(request({"OPEN", "exam"}))->front(), "OPENED");
        EXPECT_EQ(keeper.session.handle(request({"REGISTER", Examinee})),
                  (Message{"REPEAT", c.shown}))
            << c.chek;
        EXPECT_TRUE(keeper.session.ended());
        EXPECT_FALSE(keeper.session.handle(request({"QUESTION"})));
        EXPECT_EQ(bank.bytes(), before) << c.chek;
    }
}

TEST_F(KeeperSessionTest, ANameDifferingInCaseIsANewAttemptStoredAsSent)
{
    bank.run("UPDATE users SET username=?, chek=1 WHERE id=1", {Examinee});
    const char other[] = "Иванов пётр Сидорович'";
    ASSERT_EQ(send({"OPEN", "exam"}).front(), "OPENED");
    EXPECT_EQ(send({"REGISTER", other}), Message{"ADMITTED"});
    EXPECT_EQ(bank.value("select username from users where id=1").toString(), other);
    EXPECT_FALSE(chek().toBool());
}

// Every request out of its place ends the run without a word and without a write.
TEST_F(KeeperSessionTest, RequestsOutOfPlaceStopTheKeeper)
{
    using Script = std::vector<std::vector<const char *>>;
    struct Case
    {
        const char *name;
        Script accepted; // brings the run to the state the refused request meets
        std::vector<const char *> refused;
    };
    const std::vector<Case> cases = {
        {"question before opening", {}, {"QUESTION"}},
        {"unknown mode", {}, {"OPEN", "EXAM"}},
        {"opening with a field too many", {}, {"OPEN", "demo", "x"}},
        {"no verb at all", {}, {"\x01\x02"}},
        {"opening twice", {{"OPEN", "demo"}}, {"OPEN", "demo"}},
        {"registering in a demonstration", {{"OPEN", "demo"}}, {"REGISTER", Examinee}},
        {"question before registering", {{"OPEN", "exam"}}, {"QUESTION"}},
        {"name not in UTF-8", {{"OPEN", "exam"}}, {"REGISTER", "\xff\xfe"}},
        {"registering twice", {{"OPEN", "exam"}, {"REGISTER", Examinee}}, {"REGISTER", "Б А В"}},
        {"answer before a question", {{"OPEN", "demo"}}, {"ANSWER", "1"}},
        {"second question unanswered", {{"OPEN", "demo"}, {"QUESTION"}}, {"QUESTION"}},
        {"answer twice", {{"OPEN", "demo"}, {"QUESTION"}, {"ANSWER", "1"}}, {"ANSWER", "1"}},
        {"code above 29", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "30"}},
        {"negative code", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "-1"}},
        {"code with a leading zero", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "01"}},
        {"code with a blank", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "1 "}},
        {"code with a line end", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "1\n"}},
        {"code with a sign", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", "+1"}},
        {"empty code", {{"OPEN", "demo"}, {"QUESTION"}}, {"ANSWER", ""}},
        {"lower-case verb", {{"OPEN", "demo"}, {"QUESTION"}}, {"answer", "1"}},
        {"record before the 40th answer",
         {{"OPEN", "exam"}, {"REGISTER", "Первый Ф О"}, {"QUESTION"}, {"ANSWER", "1"}},
         {"RECORD"}},
        {"record with a field", {{"OPEN", "exam"}, {"REGISTER", "Второй Ф О"}}, {"RECORD", "1"}},
    };
    for (const Case &c : cases) {
        FakeKeeper keeper;
        for (const auto &step : c.accepted) {
            Message message;
            for (const char *field : step)
                message.push_back(field);
            const auto reply = keeper.session.handle(message);
            ASSERT_TRUE(reply && reply->front() != "ERROR") << c.name;
        }
        const QByteArray before = bank.bytes();
        Message refused;
        for (const char *field : c.refused)
            refused.push_back(field);
        EXPECT_FALSE(keeper.session.handle(refused)) << c.name;
        EXPECT_TRUE(keeper.session.ended()) << c.name;
        // Ended for good: not even the request that would have been right goes through.
        EXPECT_FALSE(keeper.session.handle(request({"QUESTION"}))) << c.name;
        EXPECT_EQ(bank.bytes(), before) << c.name;
    }
}

} // namespace
