#include "screens/pictures.h"
#include "screens/scale.h"
#include "shell/mdl2.h"
#include "shell/program.h"
#include "shell/region_from_picture.h"
#include "support/fake_runtime.h"
#include "testrun/main_layout.h"
#include "ui_frm_user.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// What was on screen each time a window of the program was shown.
struct ShownWindow
{
    QString name;
    bool mainLoaded;
    bool mainVisible;
    QRegion mainMask;
    bool splashLoaded;
};

class ShowRecorder final : public QObject
{
public:
    explicit ShowRecorder(Program &program) : m_program(program) { qApp->installEventFilter(this); }
    ~ShowRecorder() override { qApp->removeEventFilter(this); }

    std::vector<ShownWindow> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow()) {
            const bool mainLoaded = m_program.frmMain.loaded();
            shown.push_back({widget->metaObject()->className(), mainLoaded,
                             mainLoaded && m_program.frmMain->isVisible(),
                             mainLoaded ? m_program.frmMain->mask() : QRegion(),
                             m_program.frmLoad.loaded()});
        }
        return false;
    }

private:
    Program &m_program;
};

class StartupTest : public ::testing::Test
{
protected:
    StartupTest() { fake.clock.set(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 15))); }

    FakeRuntime fake;
    Program program{fake.runtime};
};

TEST_F(StartupTest, SplashFirstThenTheMainWindowShapedWhileHiddenThenRegistration)
{
    ShowRecorder recorder(program);
    fake.runtime.run([&] { Main(program); });
    ASSERT_FALSE(fake.ended());

    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[0].name, "frmLoad");
    EXPECT_FALSE(recorder.shown[0].mainLoaded);
    EXPECT_EQ(recorder.shown[1].name, "frmUser");
    EXPECT_FALSE(recorder.shown[1].splashLoaded);
    EXPECT_TRUE(recorder.shown[1].mainLoaded);
    EXPECT_FALSE(recorder.shown[1].mainVisible);

    const QImage skin = layoutPicture("skin.bmp");
    const QRegion outline = regionFromImage(skin, 689, 480, packedRgb(skin.pixel(0, 0)));
    // Within the window the mask is exactly the outline (an empty outline hides the window).
    const QRegion shownArea = recorder.shown[1].mainMask.intersected(QRect(0, 0, 690, 493));
    EXPECT_TRUE(shownArea.xored(outline).isEmpty());
    EXPECT_FALSE(recorder.shown[1].mainMask.isEmpty());
    EXPECT_TRUE(program.frmUser->isVisible());
}

TEST_F(StartupTest, TheMainWindowsLoadTakesTheStartTimeAndPreparesTheActionButton)
{
    fake.runtime.run([&] { Main(program); });
    MainWindowUi &ui = program.frmMain->ui();

    EXPECT_DOUBLE_EQ(program.state.StartTime, (9 * 3600 + 30 * 60 + 15) / 86400.0);
    EXPECT_EQ(program.state.RightCount, 0);
    EXPECT_FALSE(program.state.ExamMode);
    EXPECT_EQ(ui.Picture4->picture(), LoadResPicture(103));
    EXPECT_FLOAT_EQ(Width(*ui.lblProgress), 10);
    EXPECT_TRUE(program.frmMain->Timer2.Enabled());
    EXPECT_FALSE(program.frmMain->Timer1.Enabled());

    // The clock counts from the start, while the examinee is still registering.
    fake.clock.advance(75);
    program.frmMain->Timer2.tick();
    EXPECT_EQ(ui.Label10->text(), "0:01:15");
    EXPECT_EQ(ui.Label3->text(), "9:31:30");
    EXPECT_EQ(ui.Label2->text(), "09.12.2026");
}

TEST_F(StartupTest, TheRegistrationWindowTakesTheFocusInTheFirstNameFieldInTabOrder)
{
    fake.runtime.run([&] { Main(program); });
    Ui::frmUser &ui = program.frmUser->ui();
    EXPECT_EQ(program.frmUser->size(), QSize(422, 219));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&*program.frmUser));
    EXPECT_EQ(QApplication::focusWidget(), ui.Text1);

    // The image buttons take no focus, so the tab key goes round the three names only.
    for (QWidget *next : {static_cast<QWidget *>(ui.Text2), static_cast<QWidget *>(ui.Text3),
                          static_cast<QWidget *>(ui.Text1)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(StartupTest, LeavingTheMainWindowBeforeATestEndsWithoutAQuestion)
{
    fake.runtime.run([&] { Main(program); });
    program.frmMain.Show();
    QTest::mouseClick(program.frmMain->ui().Image1, Qt::LeftButton);
    EXPECT_TRUE(fake.ended());
    EXPECT_TRUE(fake.boxes.asked().empty());
}

TEST_F(StartupTest, ClosingTheMainWindowDuringATestAsksFirstAndNoKeepsItOpen)
{
    fake.runtime.run([&] { Main(program); });
    program.frmMain.Show();
    program.state.TestRunning = true;

    fake.boxes.answer(vbNo);
    QCloseEvent close;
    QApplication::sendEvent(&*program.frmMain, &close);
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.boxes.asked()[0].prompt,
              "Вы не закончили тестирование, результаты засчитаны не будут\r\n"
              "Вы уверены что хотите закрыть программу?");
    EXPECT_EQ(fake.boxes.asked()[0].style, vbYesNo);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Quorvane");
    EXPECT_FALSE(fake.ended());
    EXPECT_TRUE(program.frmMain->isVisible());

    fake.boxes.answer(vbYes);
    QTest::mouseClick(program.frmMain->ui().Image1, Qt::LeftButton);
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.frmMain.loaded());
}

} // namespace
