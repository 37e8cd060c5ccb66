#include "exam_fixture.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include "screens/pictures.h"

namespace {

class CountdownTest : public ExamTest
{
protected:
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            program.frmMain->Timer1.tick();
    }

    // An exam with its first 39 questions answered rightly: the 40th is on screen.
    void reachTheLastQuestion()
    {
        registerExam();
        pressActionButton();
        for (int question = 1; question < 40; ++question) {
            tick(true);
            pressActionButton();
        }
    }
};

TEST_F(CountdownTest, AQuestionLeftAloneIsSubmittedAtTheHundredAndEightyFirstTick)
{
    registerExam();
    pressActionButton();
    ticks(1);
    EXPECT_EQ(main().Label5->text(), "03:00");
    tick(true); // ticked now, scored at the time-out
    ticks(179);
    EXPECT_EQ(main().Label5->text(), "00:01");
    EXPECT_EQ(run().QuestionNo, 1);
    ticks(1);
    EXPECT_EQ(run().QuestionNo, 2);
    EXPECT_EQ(bankSide().RightCount, 1);
    EXPECT_EQ(main().Label5->text(), "00:00");
    ticks(1);
    EXPECT_EQ(main().Label5->text(), "03:00");
    // A submit by time-out changes no face.
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(102));
}

TEST_F(CountdownTest, AClickDoesNotRestartTheCountdown)
{
    registerExam();
    pressActionButton();
    ticks(10);
    EXPECT_EQ(main().Label5->text(), "02:51");
    pressActionButton();
    EXPECT_EQ(run().QuestionNo, 2);
    EXPECT_EQ(main().Label5->text(), "02:51");
    ticks(1);
    EXPECT_EQ(main().Label5->text(), "03:00");
}

TEST_F(CountdownTest, LeavingAtTheLastSecondLetsNoTickSubmitWhileTheProgramEnds)
{
    reachTheLastQuestion();
    ticks(180);
    ASSERT_EQ(main().Label5->text(), "00:01");

    // The tick that would submit the 40th answer arrives while the exit runs its pending events.
    QPointer<Timer> countdown = &program.frmMain->Timer1;
    QTimer::singleShot(0, [countdown] {
        if (countdown)
            countdown->tick();
    });
    fake.boxes.answer(vbYes);
    QTest::mouseClick(main().Image1, Qt::LeftButton);
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(bank.value("select chek from users").toInt(), 0);
}

TEST_F(CountdownTest, AnErrorStopsTheCountdownFromScoringWhileItsBoxIsOpen)
{
    registerExam();
    pressActionButton();
    for (int question = 1; question < 39; ++question) {
        tick(true);
        pressActionButton();
    }
    // The 40th question's picture goes missing; while the error is on screen the countdown
    // would score a question whose answers were never shown, and record a pass never earned.
    bank.run("UPDATE questions SET picture='1'");
    ASSERT_TRUE(QFile::remove(QDir(bank.appPath()).filePath("pictures/1.bmp")));
    fake.boxes.whileOpen([&] { ticks(400); });
    fake.boxes.answer(vbOK);
    tick(true);
    pressActionButton();
    EXPECT_TRUE(fake.ended());
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_TRUE(fake.boxes.asked()[0].prompt.contains("1.bmp"));
    EXPECT_TRUE(main().Frame1->isHidden());
    EXPECT_EQ(bank.value("select chek from users").toInt(), 0);
}

TEST_F(CountdownTest, TheClockCountsFromProgramStartAndAcrossMidnight)
{
    Program late(fake.runtime);
    fake.clock.set(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 0)));
    late.frmMain.Load();
    fake.clock.set(QDateTime(QDate(2026, 12, 10), QTime(0, 2, 30)));
    late.frmMain->Timer2.tick();
    EXPECT_EQ(late.frmMain->ui().Label10->text(), "0:03:30");
    EXPECT_EQ(late.frmMain->ui().Label3->text(), "0:02:30");
    EXPECT_EQ(late.frmMain->ui().Label2->text(), "10.12.2026");
}

} // namespace
