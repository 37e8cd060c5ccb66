#include "exam/bank_session.h"
#include "store/rules.h"
#include "store/runtime_error.h"
#include "support/bank_fixture.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A session on the fixture's bank, as the window or the keeper runs it, at a fixed time of day.
struct Session
{
    explicit Session(const QDateTime &now)
        : generator(std::make_shared<std::mt19937>(7)),
          session(BankServices{[] { return DBEngine::OpenDatabase(QStringLiteral("data.mdb")); },
                               [g = generator] { return std::generate_canonical<double, 32>(*g); },
                               [now] { return now; }, QStringLiteral("класс-3")},
                  std::nullopt)
    {}

    // Answers the 40 questions, the first `right` of them rightly.
    void answerAll(const BankFixture &bank, int right)
    {
        for (int n = 1; n <= Rules::TestLength; ++n) {
            session.question();
            const int id = session.run().DrawnIds[static_cast<std::size_t>(n)];
            const int code =
                bank.value(QStringLiteral("select ball from questions where id=%1").arg(id)).toInt();
            session.score(static_cast<qint16>(n <= right ? code : 2));
        }
    }

    std::shared_ptr<std::mt19937> generator;
    BankSession session;
};

// Two attempts of one name begun in the same second, with another between them (two windows of
// one workstation, each with its keeper): each result goes to its own row.
TEST(BankSessionTest, AnAttemptIsFinishedInItsOwnJournalRowHoweverManyStartedThatSecond)
{
    BankFixture bank;
    const QDateTime now(QDate(2026, 12, 9), QTime(9, 30, 0));
    Session first(now);
    Session other(now);
    Session again(now);
    for (Session *s : {&first, &other, &again})
        s->session.open(true);
    ASSERT_FALSE(first.session.registerExaminee("Иванов Пётр Сидорович"));
    ASSERT_FALSE(other.session.registerExaminee("Петров Иван Ильич"));
    ASSERT_FALSE(again.session.registerExaminee("Иванов Пётр Сидорович"));

    first.answerAll(bank, 33);
    first.session.recordResult();
    const auto row = [&bank](int id, const char *column) {
        return bank.value(QStringLiteral("select %1 from attempts where id=%2").arg(column).arg(id));
    };
    EXPECT_EQ(row(1, "right_answers").toInt(), 33);
    EXPECT_EQ(row(1, "passed").toInt(), 1);
    EXPECT_TRUE(row(3, "finished").isNull());
    EXPECT_TRUE(row(3, "right_answers").isNull());

    again.answerAll(bank, 10);
    again.session.recordResult();
    EXPECT_EQ(row(1, "right_answers").toInt(), 33);
    EXPECT_EQ(row(3, "right_answers").toInt(), 10);
    EXPECT_TRUE(row(2, "finished").isNull());
}

// A name the window would have refused (a tampered one, through the keeper) is refused here too,
// before anything is written.
TEST(BankSessionTest, AFullNamePastTheLimitIsRefusedAndNothingWritten)
{
    BankFixture bank;
    Session s(QDateTime::currentDateTime());
    s.session.open(true);
    const QByteArray before = bank.bytes();
    // Characters outside the basic plane count once, though each is two UTF-16 units.
    QString longest;
    for (int k = 0; k < Rules::LongestFullName; ++k)
        longest += QString::fromUcs4(U"🙂", 1);
    try {
        s.session.registerExaminee(longest + 'x');
        ADD_FAILURE() << "admitted";
    } catch (const RuntimeError &error) {
        EXPECT_EQ(error.number(), 5);
        EXPECT_EQ(error.description(),
                  "Фамилия, имя и отчество вместе длиннее 255 знаков, пожалуйста сократите");
    }
    EXPECT_EQ(bank.bytes(), before);
    Session fits(QDateTime::currentDateTime());
    fits.session.open(true);
    EXPECT_FALSE(fits.session.registerExaminee(longest));
    EXPECT_EQ(bank.value("select username from users").toString(), longest);
}

} // namespace
