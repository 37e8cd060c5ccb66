#include "command_run.h"
#include "store/bank_file.h"
#include "support/bank_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class UpgradeCommand : public ::testing::Test
{
protected:
    UpgradeCommand() { bank.run("UPDATE users SET username = 'Иванов Пётр', chek = 1"); }

    CommandRun upgrade() { return runCommand(upgradeCommand, {bank.bankPath()}); }
    QString attempts()
    {
        return bank
            .value("select group_concat(r, '|') from (select quote(id) || quote(username) || "
                   "quote(started) || quote(finished) || quote(right_answers) || quote(passed) || "
                   "quote(questions) || quote(host) as r from attempts order by id)")
            .toString();
    }
    QString tableSql(const QString &table)
    {
        return bank.value("select sql from sqlite_master where name = '" + table + "'").toString();
    }
    struct stat fileStatus()
    {
        struct stat status
        {};
        EXPECT_EQ(stat(QFile::encodeName(bank.bankPath()).constData(), &status), 0);
        return status;
    }

    BankFixture bank{40};
};

// In place: the file an exam may have open keeps its owner, mode and records, and gets the
// tables a bank made now has.
TEST_F(UpgradeCommand, AddsTheJournalTablesABankLacksKeepingItsRecordsInPlace)
{
    const QString attemptsSql = tableSql("attempts");
    const QString answersSql = tableSql("answers");
    bank.run("DROP TABLE answers");
    bank.run("DROP TABLE attempts");
    ASSERT_EQ(chmod(QFile::encodeName(bank.bankPath()).constData(), 0640), 0);
    const QString users = bank.value("select username || ':' || chek from users").toString();
    const QString questions = bank.value("select group_concat(question || answ1 || ball) from "
                                         "questions")
                                  .toString();
    const ino_t inode = fileStatus().st_ino;

    CommandRun result = upgrade();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("добавлены таблицы attempts, answers"))
        << result.out.toStdString();
    EXPECT_EQ(tableSql("attempts"), attemptsSql);
    EXPECT_EQ(tableSql("answers"), answersSql);
    EXPECT_EQ(bank.value("select username || ':' || chek from users").toString(), users);
    EXPECT_EQ(
        bank.value("select group_concat(question || answ1 || ball) from questions").toString(),
        questions);
    EXPECT_EQ(fileStatus().st_ino, inode);
    EXPECT_EQ(fileStatus().st_mode & 0777, 0640u);

    // A bank with its attempts but without the answers keeps the attempts row for row.
    bank.run("INSERT INTO attempts VALUES (7, 'Иванов Пётр', '2026-12-09T10:00:00+03:00', "
             "'2026-12-09T10:40:00+03:00', 33, 1, 40, 'kab1', NULL), (8, 'Петров', "
             "'2026-12-09T11:00:00+03:00', NULL, NULL, NULL, 40, 'kab2', 'petrov (uid 1002)')");
    bank.run("DROP TABLE answers");
    const QString kept = attempts();
    ASSERT_TRUE(kept.contains("'kab2'")) << kept.toStdString();
    result = upgrade();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("добавлены таблицы answers;")) << result.out.toStdString();
    EXPECT_EQ(attempts(), kept);
    // A journal from before accounts were named gets the column, and its rows none.
    bank.run("ALTER TABLE attempts DROP COLUMN account");
    const QString withoutAccount = attempts();
    result = upgrade();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("attempts.account")) << result.out.toStdString();
    EXPECT_EQ(tableSql("attempts").contains("account TEXT"), true);
    EXPECT_EQ(bank.value("select count(account) from attempts").toInt(), 0);
    EXPECT_EQ(attempts(), withoutAccount);
    EXPECT_EQ(tableSql("answers"), answersSql);

    // Nothing lacking, nothing written.
    const QByteArray before = bank.bytes();
    result = upgrade();
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.contains("все таблицы журнала в банке уже есть"))
        << result.out.toStdString();
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(UpgradeCommand, RefusesAFileThatIsNoBankAndChangesNothing)
{
    bank.run("DROP TABLE answers");
    bank.run("DROP TABLE questions");
    const QByteArray before = bank.bytes();
    const CommandRun result = upgrade();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.trimmed(),
              bank.bankPath() + ": в файле нет таблицы questions, это не банк вопросов");
    EXPECT_EQ(bank.bytes(), before);
    EXPECT_EQ(runCommand(upgradeCommand, {bank.bankPath() + ".нет"}).status, 1);
    EXPECT_EQ(runCommand(upgradeCommand, {}).status, 2);
}

} // namespace
