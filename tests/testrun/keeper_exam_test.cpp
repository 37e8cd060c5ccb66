#include "exam_fixture.h"

#include "screens/pictures.h"

#include <QFile>
#include <QSysInfo>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The keeper refuses the superuser: a test run as one starts it as "nobody", who is then given
// the bank's folder, as the package gives it to the keeper's account.
constexpr uid_t Nobody = 65534;
const bool AsSuperuser = geteuid() == 0;

void becomeNobody()
{
    if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
        _exit(121);
}

// The exam window on a bank sealed from it: the keeper built beside the program is started from
// the fixture's program folder and opens the bank in its stead.
class SealedBankExam : public ExamTest
{
protected:
    SealedBankExam()
    {
        const QByteArray folder = QFile::encodeName(bank.workPath());
        const QByteArray file = QFile::encodeName(bank.bankPath());
        EXPECT_EQ(chmod(folder.constData(), 02770), 0);
        EXPECT_EQ(chmod(file.constData(), 0660), 0);
        if (AsSuperuser) {
            EXPECT_EQ(chown(folder.constData(), Nobody, Nobody), 0);
            EXPECT_EQ(chown(file.constData(), Nobody, Nobody), 0);
            // The keeper's account starts the program from the program folder.
            EXPECT_EQ(chmod(QFile::encodeName(bank.appPath()).constData(), 0755), 0);
        }
        EXPECT_TRUE(QFile::link(QStringLiteral(QUORVANE_KEEPER_PATH),
                                QDir(bank.appPath()).filePath("quorvane-keeper")));
        run().BankSealed = [] { return true; };
        run().StartKeeper = [this](const QString &program) {
            const KeeperChild child = startKeeper(program, AsSuperuser ? becomeNobody : nullptr);
            keeperPid = child.pid;
            return child;
        };
    }

    QVariant journal(const QString &column)
    {
        return bank.value("select " + column + " from attempts order by id desc limit 1");
    }
    QString lastPrompt() const
    {
        return fake.boxes.asked().empty() ? QString() : fake.boxes.asked().back().prompt;
    }

    pid_t keeperPid = -1;
};

TEST_F(SealedBankExam, AnExamThroughTheKeeperLeavesTheRecordJournalAndPanelOfOneInProcess)
{
    registerExam();
    EXPECT_EQ(main().Label12->text(), "Всего вопросов в базе: 40");
    EXPECT_EQ(bank.value("select username from users").toString(), "Иванов Пётр Сидорович");
    takeExam(32);

    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_FALSE(run().TestRunning);
    EXPECT_EQ(run().RightCount, 32);
    EXPECT_EQ(main().Label13->text(), "Тест сдан... Ура!!!");
    EXPECT_EQ(main().Label15->text(), "Вопросов в базе: 40");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 32");
    EXPECT_TRUE(main().Frame1->isVisible());
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(104));
    EXPECT_EQ(bank.value("select chek from users").toInt(), 1);
    EXPECT_EQ(bank.value("select count(*) from attempts").toInt(), 1);
    EXPECT_EQ(journal("username").toString(), "Иванов Пётр Сидорович");
    EXPECT_EQ(journal("questions").toInt(), 40);
    EXPECT_EQ(journal("right_answers").toInt(), 32);
    EXPECT_EQ(journal("passed").toInt(), 1);
    EXPECT_EQ(journal("host").toString(), QSysInfo::machineHostName());
}

TEST_F(SealedBankExam, ADemonstrationRunThroughTheKeeperCountsTheAnswersAndWritesNothing)
{
    const QByteArray before = bank.bytes();
    registerDemo();
    takeExam(40);
    // Only the question whether to run a demonstration.
    EXPECT_EQ(fake.boxes.asked().size(), 1u) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label13->text(), "Тест сдан... Ура!!!");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 40");
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(SealedBankExam, ARepeatTheKeeperRefusesShowsTheRecordedResultAndEnds)
{
    bank.run("UPDATE users SET username=?, chek=1 WHERE id=1", {"Иванов Пётр Сидорович"});
    const QByteArray before = bank.bytes();
    fake.boxes.answer(vbOK);
    auto &user = program.frmUser->ui();
    user.Text1->setText("Пётр");
    user.Text2->setText("Иванов");
    user.Text3->setText("Сидорович");
    QTest::mouseClick(user.Image1, Qt::LeftButton);

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.boxes.asked()[0].prompt,
              "\r\nЗачет для: < Иванов Пётр Сидорович > уже засчитан\r\n\r\nРезультат: - УСПЕШНО");
    EXPECT_EQ(fake.boxes.asked()[0].style, vbInformation);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Результат теста...");
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.frmMain->isVisible());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(SealedBankExam, APictureFileTheWindowCannotShowRefusesTheBankAsInProcess)
{
    ASSERT_TRUE(QFile::remove(QDir(bank.appPath()).filePath("pictures/1.bmp")));
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    QTest::mouseClick(program.frmUser->ui().Image3, Qt::LeftButton);
    ASSERT_EQ(fake.boxes.asked().size(), 2u);
    EXPECT_EQ(lastPrompt(),
              QStringLiteral("Ошибка выполнения 3000:\r\n\r\nБанк вопросов «%1» непригоден для "
                             "тестирования: нет файла рисунка %2 для вопроса 2")
                  .arg(bank.bankPath(), QDir(bank.appPath()).filePath("pictures/1.bmp")));
    EXPECT_TRUE(fake.ended());
}

TEST_F(SealedBankExam, AKeeperKilledMidExamIsOneErrorNamingItAndTheEnd)
{
    registerExam();
    pressActionButton();
    tick(true);
    pressActionButton();
    ASSERT_GT(keeperPid, 0);
    ASSERT_EQ(kill(keeperPid, SIGKILL), 0);
    fake.boxes.answer(vbOK);
    tick(true);
    pressActionButton();

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const QString &report = fake.boxes.asked()[0].prompt;
    EXPECT_TRUE(report.startsWith("Ошибка выполнения 3051:")) << report.toStdString();
    EXPECT_TRUE(report.contains("Хранитель банка " +
                                QDir(bank.appPath()).filePath("quorvane-keeper") +
                                " не ответил на запрос ANSWER: он прерван сигналом 9"))
        << report.toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.value("select chek from users").toInt(), 0);
}

TEST(BankIsSealed, OnlyWhenTheBankIsThereAndThisAccountCannotReadIt)
{
    BankFixture bank;
    EXPECT_FALSE(bankIsSealed());
    const QByteArray file = QFile::encodeName(bank.bankPath());
    ASSERT_EQ(chmod(file.constData(), 0), 0);
    // The superuser reads every file: nothing is sealed from it.
    EXPECT_EQ(bankIsSealed(), !AsSuperuser);
    ASSERT_TRUE(QFile::remove(bank.bankPath()));
    EXPECT_FALSE(bankIsSealed());
}

} // namespace
