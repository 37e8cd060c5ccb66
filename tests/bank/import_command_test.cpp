#include "command_run.h"
#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Fixtures = QStringLiteral(QUORVANE_JET_FIXTURES);
const QString SamplePictures = QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank/pictures");

class ImportCommand : public ::testing::Test
{
protected:
    CommandRun import(const QString &fixture, QStringList extra = {})
    {
        return runCommand(importCommand,
                          extra + QStringList{"--pictures", SamplePictures,
                                              QDir(Fixtures).filePath(fixture), bank()},
                          dir.path());
    }
    QString bank() const { return dir.filePath("data.mdb"); }

    QTemporaryDir dir;
};

class CleanBanks : public ImportCommand, public ::testing::WithParamInterface<const char *>
{};

TEST_P(CleanBanks, AreWrittenValueForValueAndPassTheCheck)
{
    const QString old = QDir(Fixtures).filePath(QString::fromUtf8(GetParam()) + ".mdb");
    const QByteArray before = fileBytes(old);
    const CommandRun run = import(QString::fromUtf8(GetParam()) + ".mdb");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(old), before);

    const QJsonDocument expected = QJsonDocument::fromJson(
        fileBytes(QDir(Fixtures).filePath(QString::fromUtf8(GetParam()) + ".json")));
    const BankTables tables = readBankTables(bank());
    const QJsonArray questions = expected["questions"].toArray();
    ASSERT_EQ(tables.questions.size(), std::size_t(questions.size()));
    for (qsizetype i = 0; i < questions.size(); ++i) {
        const QJsonArray row = questions[i].toArray();
        const QuestionRow &q = tables.questions[std::size_t(i)];
        EXPECT_EQ(q.id.toInt(), row[0].toInt());
        EXPECT_EQ(q.question.toString(), row[1].toString());
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(q.answers[k].toString(), row[2 + k].toString());
        EXPECT_EQ(q.ball.toInt(), row[6].toInt());
        EXPECT_EQ(q.picture.toString(), row[7].toString());
        EXPECT_EQ(q.type.toInt(), row[8].toInt());
    }
    ASSERT_EQ(tables.users.size(), 1u);
    EXPECT_EQ(tables.users[0].username, QVariant("Петров Иван Сергеевич"));
    EXPECT_EQ(tables.users[0].chek, QVariant(true));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CleanBanks, ::testing::Values("bank-jet4", "bank-jet3-cp1251"),
                         [](const auto &info) {
                             return QString::fromUtf8(info.param).remove('-').toStdString();
                         });

TEST_F(ImportCommand, WhatIsNoBankIsRefusedAndNothingIsWritten)
{
    for (const char *fixture : {"jet3-northwind.mdb", "dirty-jet4.mdb"}) {
        const CommandRun run = import(QString::fromUtf8(fixture));
        EXPECT_EQ(run.status, 1) << fixture;
        EXPECT_FALSE(run.err.isEmpty()) << fixture;
        EXPECT_FALSE(QFile::exists(bank())) << fixture;
    }
    writeFile(dir.filePath("plain.mdb"), "not a database at all");
    EXPECT_EQ(runCommand(importCommand, {dir.filePath("plain.mdb"), bank()}, dir.path()).status, 1);
    EXPECT_FALSE(QFile::exists(bank()));
}

TEST_F(ImportCommand, ABankWrittenButRefusedByTheProgramIsThree)
{
    // Without its pictures the program would refuse the bank.
    const CommandRun run = runCommand(
        importCommand,
        {"--pictures", dir.filePath("none"), QDir(Fixtures).filePath("bank-jet4.mdb"), bank()},
        dir.path());
    EXPECT_EQ(run.status, 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("нет файла рисунка")) << run.err.toStdString();
    EXPECT_TRUE(QFile::exists(bank()));
}

TEST_F(ImportCommand, AnExistingBankIsKeptUnlessToldToReplaceIt)
{
    writeFile(bank(), "the record of the last examinee");
    EXPECT_EQ(import("bank-jet4.mdb").status, 1);
    EXPECT_EQ(fileBytes(bank()), "the record of the last examinee");
    EXPECT_EQ(import("bank-jet4.mdb", {"--replace"}).status, 0);
}

} // namespace
