#include "command_run.h"
#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
