#include "command_run.h"
#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

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

    CommandRun prepare(QStringList extra = {})
    {
        return runCommand(prepareCommand, extra + QStringList{staff.filePath("data.mdb"), exam()},
                          program.path());
    }

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
    // Examinees' accounts write the record.
    EXPECT_TRUE(QFileInfo(QDir(exam()).filePath("data.mdb")).permissions() & QFile::WriteOther);
    EXPECT_TRUE(run.out.contains(exam())) << run.out.toStdString();
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
    EXPECT_EQ(placed.st_mode & 0777, 0666u);
    EXPECT_EQ(fileBytes(target), fileBytes(staff.filePath("data.mdb")));
    EXPECT_EQ(QDir(exam()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"data.mdb"});
}

} // namespace
