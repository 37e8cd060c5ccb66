#include "keeper/sealed_bank.h"
#include "store/bank_file.h"
#include "store/runtime_error.h"

#include "support/bank_fixture.h"
#include "support/bank_question.h"
#include "support/sealed_folder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A bank sealed for an account that is the test's own: folder 2770, file 0660.
class SealedBankTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        writeBankFile(path(), BankFixture::questions(40));
        ASSERT_EQ(sealForKeeper(folder.path(), geteuid(), getegid()), QString());
    }
    QString path(const char *suffix = "") const
    {
        return folder.filePath(QStringLiteral("data.mdb") + QLatin1String(suffix));
    }
    QByteArray name(const char *suffix = "") const { return QFile::encodeName(path(suffix)); }
    // The refusal's description, empty when the bank is accepted.
    QString refusal(gid_t gid = getegid()) const
    {
        const int fd = open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY);
        try {
            checkSealedBank(fd, folder.path(), geteuid(), gid);
        } catch (const RuntimeError &error) {
            close(fd);
            return error.description().isEmpty() ? QStringLiteral("?") : error.description();
        }
        close(fd);
        return {};
    }

    QTemporaryDir folder;
};

TEST_F(SealedBankTest, ABankOfTheKeepersAccountAndGroupIsAccepted)
{
    EXPECT_EQ(refusal(), QString());
    // Its own journal, left by an interrupted write, is the engine's to read back.
    QFile journal(path("-journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.close();
    EXPECT_EQ(refusal(), QString());
}

TEST_F(SealedBankTest, ABankOthersCanReadOrAFolderOthersCanWriteIsRefused)
{
    chmod(name().constData(), 0664);
    EXPECT_TRUE(refusal().contains("доступен всем"));
    chmod(name().constData(), 0660);
    chmod(QFile::encodeName(folder.path()).constData(), 0777);
    EXPECT_TRUE(refusal().contains("могут писать"));
    chmod(QFile::encodeName(folder.path()).constData(), 0770);
    // Writable by a group that is not the keeper's.
    EXPECT_TRUE(refusal(getegid() + 1).contains("могут писать"));
    chmod(QFile::encodeName(folder.path()).constData(), 0750);
    EXPECT_TRUE(refusal(getegid() + 1).contains("группе"));
    if (geteuid() != 0)
        GTEST_SKIP() << "a folder of another account needs the superuser to make";
    ASSERT_EQ(chown(QFile::encodeName(folder.path()).constData(), 65534, getegid()), 0);
    EXPECT_TRUE(refusal().contains("папка банка принадлежит другой"));
}

TEST_F(SealedBankTest, ALinkOrAFifoInTheBanksPlaceIsRefusedWithoutWaiting)
{
    ASSERT_EQ(rename(name().constData(), name("-real").constData()), 0);
    ASSERT_EQ(symlink(name("-real").constData(), name().constData()), 0);
    EXPECT_TRUE(refusal().contains("ссылка"));
    unlink(name().constData());
    ASSERT_EQ(mkfifo(name().constData(), 0660), 0);
    EXPECT_TRUE(refusal().contains("не обычный файл"));
    unlink(name().constData());
    EXPECT_FALSE(refusal().isEmpty());
}

TEST_F(SealedBankTest, AWriteAheadLogBankIsRefused)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "wal");
        db.setDatabaseName(path());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("PRAGMA journal_mode=WAL");
    }
    QSqlDatabase::removeDatabase("wal");
    unlink(name("-wal").constData());
    unlink(name("-shm").constData());
    EXPECT_TRUE(refusal().contains("WAL"));
}

TEST_F(SealedBankTest, SideFilesTheKeeperDidNotMakeAreRefused)
{
    ASSERT_EQ(symlink("/etc/passwd", name("-journal").constData()), 0);
    EXPECT_TRUE(refusal().contains("data.mdb-journal"));
    unlink(name("-journal").constData());
    for (const char *suffix : {"-wal", "-shm"}) {
        QFile side(path(suffix));
        ASSERT_TRUE(side.open(QIODevice::WriteOnly));
        side.close();
        EXPECT_TRUE(refusal().contains(QLatin1String(suffix))) << suffix;
        side.remove();
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "a journal of another account needs the superuser to make";
    QFile journal(path("-journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.close();
    ASSERT_EQ(chown(name("-journal").constData(), 65534, 65534), 0);
    EXPECT_TRUE(refusal().contains("другая учётная запись"));
}

// Another account let in by an access list is let in whatever the mode bits say.
TEST_F(SealedBankTest, AnAccessListOnTheBankOrItsFolderIsRefused)
{
    const auto setfacl = [](const QStringList &arguments) {
        return QProcess::execute(QStringLiteral("setfacl"), arguments);
    };
    if (setfacl({"-m", "u:65533:r", path()}) != 0)
        GTEST_SKIP() << "setfacl (package acl) is missing or this file system keeps no ACLs";
    EXPECT_TRUE(refusal().contains("ACL")) << refusal().toStdString();
    ASSERT_EQ(setfacl({"-b", path()}), 0);
    EXPECT_EQ(refusal(), QString());
    ASSERT_EQ(setfacl({"-d", "-m", "u:65533:rwx", folder.path()}), 0);
    EXPECT_TRUE(refusal().contains("ACL")) << refusal().toStdString();
}

} // namespace
