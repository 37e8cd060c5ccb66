#include "store/runtime_error.h"
#include "support/fake_runtime.h"

#include <gtest/gtest.h>

#include <new>

namespace {

class RuntimeTest : public ::testing::Test
{
protected:
    FakeRuntime fake;
    Runtime &runtime = fake.runtime;
};

TEST_F(RuntimeTest, BoxesCarryTheirPromptStyleAndTitleAndReturnTheAnswer)
{
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    EXPECT_EQ(runtime.MsgBox("Продолжить?", vbYesNo, "Демонстрационный режим."), vbYes);
    EXPECT_EQ(runtime.MsgBox("Не введено Имя, пожалуйста повторите"), vbOK);

    ASSERT_EQ(fake.boxes.asked().size(), 2u);
    EXPECT_EQ(fake.boxes.asked()[0].style, vbYesNo);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Демонстрационный режим.");
    EXPECT_EQ(fake.boxes.asked()[1].prompt, "Не введено Имя, пожалуйста повторите");
    EXPECT_EQ(fake.boxes.asked()[1].style, vbOKOnly);
    // A box without a title of its own carries the application title.
    EXPECT_EQ(fake.boxes.asked()[1].title, "Quorvane");
}

TEST_F(RuntimeTest, EndStopsTheHandlerAndEveryLaterOne)
{
    bool afterEnd = false;
    runtime.run([&] {
        runtime.End();
        afterEnd = true;
    });
    EXPECT_FALSE(afterEnd);
    EXPECT_EQ(fake.ending.ends(), 1);
    EXPECT_TRUE(runtime.ended());

    bool later = false;
    runtime.run([&] { later = true; });
    EXPECT_FALSE(later);
    EXPECT_THROW(runtime.MsgBox("?"), ProgramEnded);
    EXPECT_THROW(runtime.DoEvents(), ProgramEnded);
}

TEST_F(RuntimeTest, ARuntimeErrorIsReportedOnceWithNumberAndDescriptionThenTheProgramEnds)
{
    fake.boxes.answer(vbOK);
    bool afterError = false;
    runtime.run([&] {
        throw Errors::fileNotFound("/opt/quorvane/pictures/7.bmp");
        afterError = true;
    });
    EXPECT_FALSE(afterError);
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const AskedBox &report = fake.boxes.asked()[0];
    EXPECT_TRUE(report.prompt.contains("53")) << report.prompt.toStdString();
    EXPECT_TRUE(report.prompt.contains("Файл не найден: /opt/quorvane/pictures/7.bmp"));
    EXPECT_EQ(report.style, vbCritical);
    EXPECT_EQ(report.title, "Quorvane");
    EXPECT_EQ(fake.ending.ends(), 1);
}

TEST_F(RuntimeTest, ForeignExceptionsAreReportedLikeRuntimeErrors)
{
    fake.boxes.answer(vbOK);
    runtime.run([] { throw std::runtime_error("broken"); });
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_TRUE(fake.boxes.asked()[0].prompt.contains("broken"));
    EXPECT_TRUE(fake.ended());
}

TEST_F(RuntimeTest, MemoryRunningOutIsErrorSeven)
{
    fake.boxes.answer(vbOK);
    runtime.run([] { throw std::bad_alloc(); });
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const QString prompt = fake.boxes.asked()[0].prompt;
    EXPECT_TRUE(prompt.contains("7") && prompt.contains("Недостаточно памяти"))
        << prompt.toStdString();
    EXPECT_TRUE(fake.ended());
}

TEST_F(RuntimeTest, AnErrorRaisedWhileABoxIsOpenEndsTheHandlerThatOpenedTheBox)
{
    // The outer handler asks; while its box is open, a timer's handler fails.
    fake.boxes.whileOpen([&] {
        fake.boxes.answer(vbOK); // the error report
        runtime.run([] { throw Errors::overflow("счётчик"); });
    });
    fake.boxes.answer(vbYes);
    bool afterBox = false;
    runtime.run([&] {
        runtime.MsgBox("Вы уверены?", vbYesNo);
        afterBox = true;
    });
    EXPECT_FALSE(afterBox);
    EXPECT_EQ(fake.ending.ends(), 1);
    ASSERT_EQ(fake.boxes.asked().size(), 2u);
    EXPECT_TRUE(fake.boxes.asked()[1].prompt.contains("Переполнение"));
}

TEST_F(RuntimeTest, WhileAnErrorIsReportedNoOtherHandlerRunsAndOnlyItsBoxShows)
{
    bool ranMeanwhile = false;
    // A timer's tick, and a second failing one, while the report is open.
    fake.boxes.whileOpen([&] {
        runtime.run([&] { ranMeanwhile = true; });
        runtime.run([] { throw Errors::overflow("счётчик"); });
    });
    fake.boxes.answer(vbOK);
    runtime.run([] { throw Errors::fileNotFound("/opt/quorvane/pictures/9.bmp"); });
    EXPECT_FALSE(ranMeanwhile);
    EXPECT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.ending.ends(), 1);
}

TEST_F(RuntimeTest, RandomNumbersAndClockComeFromTheGivenServices)
{
    fake.random.set({0.25, 0.75});
    runtime.Randomize();
    EXPECT_DOUBLE_EQ(runtime.Rnd(), 0.25);
    EXPECT_DOUBLE_EQ(runtime.Rnd(), 0.75);
    EXPECT_EQ(fake.random.seeds(), 1);

    fake.clock.set(QDateTime(QDate(2026, 12, 9), QTime(6, 0, 0, 900)));
    EXPECT_DOUBLE_EQ(runtime.Time(), 0.25); // whole seconds only
    EXPECT_DOUBLE_EQ(runtime.Date(), 46365.0);
}

} // namespace
