#include "command_run.h"
#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString groupName(gid_t id)
{
    const group *entry = getgrgid(id);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

// A group this account may give its files other than the one they get anyway, so that a bank
// left in the default group shows; root may give any. Empty when there is none.
QString anotherGroup()
{
    std::vector<gid_t> groups(getgroups(0, nullptr));
    groups.resize(getgroups(groups.size(), groups.data()));
    if (geteuid() == 0)
        for (gid_t id = 1; id < 1000 && groups.size() < 2; ++id)
            if (getgrgid(id))
                groups.push_back(id);
    for (gid_t id : groups)
        if (id != getegid() && !groupName(id).isEmpty())
            return groupName(id);
    return {};
}

struct stat statusOf(const QString &path)
{
    struct stat status
    {};
    EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
    return status;
}

class PrepareCommand : public ::testing::Test
{
protected:
    PrepareCommand()
    {
        writeFile(staff.filePath("questions.txt"),
                  sourceText(40).replace("picture: 1", "picture: 3"));
        makePictures(staff.filePath("pictures"), {3, 4});
        const CommandRun made =
            runCommand(makeCommand, {staff.filePath("questions.txt"), staff.filePath("data.mdb")});
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
    }

    // Sealed for this account's own group, unless told: the keeper's group is the package's.
    CommandRun prepare(QStringList extra = {}, const QString &group = groupName(getegid()))
    {
        return runCommand(prepareCommand,
                          extra + QStringList{"--group", group, staff.filePath("data.mdb"), exam()},
                          program.path());
    }
    QString bank() const { return QDir(exam()).filePath("data.mdb"); }

    QString exam() const { return workstation.filePath("exam"); }

    QTemporaryDir staff;       // where the bank is made
    QTemporaryDir workstation; // where the exam is taken
    QTemporaryDir program;     // the installed program's folder
};

TEST_F(PrepareCommand, PutsTheBankAndTheQuestionsPicturesWhereTheExamReadsThem)
{
    const CommandRun run = prepare();
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(QDir(exam()).filePath("data.mdb")), fileBytes(staff.filePath("data.mdb")));
    EXPECT_EQ(QDir(program.filePath("pictures")).entryList(QDir::Files), QStringList{"3.bmp"});
    EXPECT_EQ(fileBytes(program.filePath("pictures/3.bmp")),
              fileBytes(staff.filePath("pictures/3.bmp")));
    EXPECT_EQ(QDir(exam()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.mdb"});
    EXPECT_TRUE(run.out.contains(exam())) << run.out.toStdString();
    EXPECT_EQ(statusOf(bank()).st_mode & 07777, 0660u);
    EXPECT_EQ(statusOf(exam()).st_mode & 07777, 02771u);
    // The pictures stay open to the window of every examinee.
    EXPECT_EQ(statusOf(program.filePath("pictures/3.bmp")).st_mode & 0777, 0644u);
}

// An examinee's account may neither read the answers nor rewrite the record: only the keeper's
// group opens the bank, and in the folder nobody else lists or makes a file.
TEST_F(PrepareCommand, TheBankIsSealedToTheGroupInAFolderExamineesCannotList)
{
    const QString group = anotherGroup();
    if (group.isEmpty())
        GTEST_SKIP() << "this account has no group to give besides its own";
    const CommandRun run = prepare({}, group);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const struct stat sealed = statusOf(bank());
    EXPECT_EQ(sealed.st_mode & 07777, 0660u);
    EXPECT_EQ(groupName(sealed.st_gid), group);
    EXPECT_EQ(sealed.st_uid, geteuid());
    const struct stat folder = statusOf(exam());
    EXPECT_EQ(folder.st_mode & 07777, 02771u);
    EXPECT_EQ(groupName(folder.st_gid), group);
}

TEST_F(PrepareCommand, AGroupTheSystemLacksIsRefusedBeforeAnythingIsWritten)
{
    const CommandRun run = prepare({}, "no-such-group-here");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("no-such-group-here")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(exam()));
}

// Sealed for the keeper, the bank goes only where the keeper's unit looks; a folder carrying an
// access list is never sealed, as the keeper would refuse it.
TEST_F(PrepareCommand, ForTheKeeperOnlyTheExamFolderAndNoFolderWithAnAccessListIsSealed)
{
    CommandRun run = runCommand(prepareCommand, {staff.filePath("data.mdb"), exam()},
                                program.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("это не папка экзамена")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("/var/lib/quorvane/exam")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(exam()));

    QDir().mkpath(exam());
    if (QProcess::execute("setfacl", {"-m", "u:65533:rwx", exam()}) != 0)
        GTEST_SKIP() << "setfacl (package acl) is missing or this file system keeps no ACLs";
    run = prepare();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("ACL")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(bank()));
}

// A folder everyone may write, like the sticky exam folder of old: whatever is in it may be
// another account's, so it is neither sealed nor written into, and the staff are told what to do.
TEST_F(PrepareCommand, AFolderOthersMayWriteIsRefusedAndLeftAsItWas)
{
    QDir().mkpath(exam());
    ASSERT_EQ(chmod(QFile::encodeName(exam()).constData(), 01777), 0);
    const CommandRun run = prepare();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(exam())) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("sudo mv")) << run.err.toStdString();
    EXPECT_EQ(statusOf(exam()).st_mode & 07777, 01777u);
    EXPECT_FALSE(QFileInfo::exists(bank()));
    EXPECT_FALSE(QFileInfo::exists(program.filePath("pictures")));
}

// What SQLite left of a write on the old bank would be played onto the new one when it is next
// opened.
TEST_F(PrepareCommand, AFolderHoldingAnUnfinishedWriteIsRefusedNamingTheFile)
{
    QDir().mkpath(exam());
    writeFile(bank(), "the record of the last examinee");
    for (const QString suffix : {"-journal", "-wal", "-shm"}) {
        const QString left = bank() + suffix;
        writeFile(left, "pages");
        const CommandRun run = prepare({"--replace"});
        EXPECT_EQ(run.status, 1) << suffix.toStdString();
        EXPECT_TRUE(run.err.contains(left)) << run.err.toStdString();
        EXPECT_EQ(fileBytes(bank()), "the record of the last examinee");
        ASSERT_TRUE(QFile::remove(left));
    }
}

TEST_F(PrepareCommand, ABankTheProgramWouldRefuseIsNotPutAnywhere)
{
    QFile::remove(staff.filePath("pictures/3.bmp"));
    const CommandRun run = prepare();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("нет файла рисунка")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(exam()));
    EXPECT_FALSE(QFileInfo::exists(program.filePath("pictures")));
}

TEST_F(PrepareCommand, AnAttemptRecordAlreadyThereIsKeptUnlessToldToReplaceIt)
{
    QDir().mkpath(exam());
    writeFile(QDir(exam()).filePath("data.mdb"), "the record of the last examinee");
    CommandRun run = prepare();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("--replace")) << run.err.toStdString();
    EXPECT_EQ(fileBytes(QDir(exam()).filePath("data.mdb")), "the record of the last examinee");

    run = prepare({"--replace"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(QDir(exam()).filePath("data.mdb")), fileBytes(staff.filePath("data.mdb")));
}

// A bank of the open layout, in a folder of this account's that others may not write: replaced,
// it is sealed like a new one, and so is the folder.
TEST_F(PrepareCommand, AReplacedBankIsSealedLikeANewOne)
{
    const QString group = anotherGroup();
    if (group.isEmpty())
        GTEST_SKIP() << "this account has no group to give besides its own";
    QDir().mkpath(exam());
    ASSERT_EQ(chmod(QFile::encodeName(exam()).constData(), 0755), 0);
    writeFile(bank(), "the record of the last examinee");
    ASSERT_EQ(chmod(QFile::encodeName(bank()).constData(), 0666), 0);
    const CommandRun run = prepare({"--replace"}, group);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(bank()), fileBytes(staff.filePath("data.mdb")));
    EXPECT_EQ(statusOf(bank()).st_mode & 07777, 0660u);
    EXPECT_EQ(groupName(statusOf(bank()).st_gid), group);
    EXPECT_EQ(statusOf(exam()).st_mode & 07777, 02771u);
}

// Another account's link in a folder it may write: followed, root's tool would overwrite the file
// it names and open it to everyone, or create the file a dangling one names.
TEST_F(PrepareCommand, ALinkPlantedAtTheBanksPlaceIsReplacedNeverFollowed)
{
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("passwd");
    writeFile(victim, "root:x:0:0");
    ASSERT_TRUE(QFile::setPermissions(victim, QFile::ReadOwner | QFile::WriteOwner));
    const QString target = QDir(exam()).filePath("data.mdb");
    QDir().mkpath(exam());

    ASSERT_TRUE(QFile::link(elsewhere.filePath("new"), target));
    CommandRun run = prepare();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(target)) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath("new")));

    QFile::remove(target);
    ASSERT_TRUE(QFile::link(victim, target));
    run = prepare({"--replace"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(victim), "root:x:0:0");
    struct stat kept;
    ASSERT_EQ(stat(QFile::encodeName(victim).constData(), &kept), 0);
    EXPECT_EQ(kept.st_mode & 0777, 0600u);
    struct stat placed;
    ASSERT_EQ(lstat(QFile::encodeName(target).constData(), &placed), 0);
    EXPECT_TRUE(S_ISREG(placed.st_mode));
    EXPECT_EQ(placed.st_mode & 0777, 0660u);
    EXPECT_EQ(fileBytes(target), fileBytes(staff.filePath("data.mdb")));
    EXPECT_EQ(QDir(exam()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"data.mdb"});
}

} // namespace
