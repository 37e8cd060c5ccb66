#include "screens/control_array.h"
#include "screens/events.h"
#include "screens/picture_box.h"
#include "screens/pictures.h"
#include "screens/scale.h"
#include "screens/timer.h"
#include "screens/values.h"
#include "support/fake_runtime.h"

#include <QCheckBox>
#include <QFrame>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A container in pixels holding an option template, a check template and a frame above both.
class ControlArrayTest : public ::testing::Test
{
protected:
    ControlArrayTest()
    {
        setScaleMode(panel, ScaleMode::Pixels);
        optionTemplate->setGeometry(12, 207, 616, 16);
        optionTemplate->setText("#");
        optionTemplate->hide();
        checkTemplate->setGeometry(12, 225, 616, 13);
        checkTemplate->hide();
        frame->setGeometry(0, 3, 640, 286);
    }

    QWidget panel;
    QRadioButton *optionTemplate = new QRadioButton(&panel);
    QCheckBox *checkTemplate = new QCheckBox(&panel);
    QFrame *frame = new QFrame(&panel);
    ControlArray<QRadioButton> Option1{"Option1", *optionTemplate};
    ControlArray<QCheckBox> Check1{"Check1", *checkTemplate};
};

TEST_F(ControlArrayTest, LoadedElementsAreHiddenUnchosenCopiesOfElementZero)
{
    setTop(*optionTemplate, 207);
    optionTemplate->setChecked(true);
    for (int k = 1; k <= 4; ++k)
        Option1.Load(k);
    EXPECT_EQ(Option1.Count(), 5);
    for (int k = 1; k <= 4; ++k) {
        QRadioButton &element = Option1(k);
        EXPECT_TRUE(element.isHidden());
        EXPECT_FALSE(Value(element));
        EXPECT_EQ(element.text(), "#");
        EXPECT_EQ(element.geometry(), optionTemplate->geometry());
        EXPECT_EQ(element.parentWidget(), &panel);
    }
    // The copies lie under the frame that lay above the template.
    const QObjectList &order = panel.children();
    EXPECT_LT(order.indexOf(&Option1(4)), order.indexOf(frame));
}

TEST_F(ControlArrayTest, MissingOrDuplicateElementsAreRuntimeErrors)
{
    Check1.Load(1);
    auto numberOf = [](auto &&action) {
        try {
            action();
        } catch (const RuntimeError &error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf([&] { Check1.Item(2); }), 340);
    EXPECT_EQ(numberOf([&] { Check1.Load(1); }), 360);
    EXPECT_EQ(numberOf([&] { Check1.Unload(0); }), 362);
    EXPECT_EQ(numberOf([&] { Check1.Unload(3); }), 340);
    Check1.Unload(1);
    EXPECT_EQ(Check1.Count(), 1);
    for (QCheckBox *box : panel.findChildren<QCheckBox *>())
        EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(numberOf([&] { Check1.Item(1); }), 340);
}

TEST_F(ControlArrayTest, AnElementLoadedAgainIsAFreshCopyWhateverItWasBefore)
{
    for (int round = 0; round < 3; ++round) {
        for (int k = 1; k <= 4; ++k)
            Option1.Load(k);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_TRUE(Option1(k).isHidden()) << round;
            EXPECT_FALSE(Value(Option1(k))) << round;
            EXPECT_EQ(Option1(k).text(), "#");
            EXPECT_EQ(Option1(k).geometry(), optionTemplate->geometry());
        }
        Option1(3).show();
        setValue(Option1(3), true);
        setTop(Option1(3), 267);
        Option1(3).setText("ответ");
        for (int k = 1; k <= 4; ++k)
            Option1.Unload(k);
    }
    EXPECT_LE(panel.findChildren<QRadioButton *>().size(), 5);
}

TEST_F(ControlArrayTest, ChoosingAnOptionClearsTheOthersAndCheckBoxesCountOneOrZero)
{
    for (int k = 1; k <= 4; ++k) {
        Option1.Load(k);
        Check1.Load(k);
    }
    setValue(Option1(2), true);
    setValue(Option1(3), true);
    EXPECT_FALSE(Value(Option1(2)));
    EXPECT_TRUE(Value(Option1(3)));

    setValue(Check1(1), 1);
    setValue(Check1(3), 1);
    EXPECT_EQ(Value(Check1(1)) + Value(Check1(2)) + Value(Check1(3)) + Value(Check1(4)), 2);
}

TEST(Scale, PlacesAreKeptInTheContainersUnitAndShownAtTheNearestPixel)
{
    QWidget twipsWindow; // twips unless told otherwise
    QWidget pixelsWindow;
    setScaleMode(pixelsWindow, ScaleMode::Pixels);
    QWidget image(&twipsWindow);
    QWidget bar(&twipsWindow);
    QWidget option(&pixelsWindow);

    setTop(image, 2530);
    EXPECT_EQ(image.y(), 169);
    EXPECT_FLOAT_EQ(Top(image), 2530);
    setTop(image, 2520);
    EXPECT_EQ(image.y(), 168);
    EXPECT_FLOAT_EQ(Top(image), 2520);

    setWidth(bar, 29.625f);
    EXPECT_EQ(bar.width(), 2);
    EXPECT_FLOAT_EQ(Width(bar), 29.625f);

    setTop(option, 227);
    EXPECT_EQ(option.y(), 227);
    EXPECT_FLOAT_EQ(Top(option), 227);

    // Moved by other means, the control reports where it really is.
    image.move(image.x(), 10);
    EXPECT_FLOAT_EQ(Top(image), 150);
}

class MouseTest : public ::testing::Test
{
protected:
    MouseTest()
    {
        control.resize(96, 17);
        onMouseDown(control, fake.runtime, [this](const MouseArgs &args) {
            events << "down";
            last = args;
        });
        onMouseUp(control, fake.runtime, [this](const MouseArgs &) { events << "up"; });
        onClick(control, fake.runtime, [this] { events << "click"; });
    }

    FakeRuntime fake;
    QWidget control;
    QStringList events;
    MouseArgs last;
};

TEST_F(MouseTest, PressReleaseAndClickArriveInThatOrderForAnyButton)
{
    QTest::mouseClick(&control, Qt::LeftButton);
    QTest::mouseClick(&control, Qt::RightButton, Qt::ShiftModifier, QPoint(2, 3));
    EXPECT_EQ(events, QStringList({"down", "up", "click", "down", "up", "click"}));
    EXPECT_EQ(last.button, 2);
    EXPECT_EQ(last.shift, 1);
    EXPECT_FLOAT_EQ(last.x, 30); // twips: the control's container is a twips window by default
}

TEST_F(MouseTest, NoClickForADisabledControlAReleaseOutsideOrADoubleClicksSecondPress)
{
    control.setEnabled(false);
    QTest::mouseClick(&control, Qt::LeftButton);
    EXPECT_TRUE(events.isEmpty());

    control.setEnabled(true);
    QTest::mousePress(&control, Qt::LeftButton);
    QTest::mouseRelease(&control, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(events, QStringList({"down", "up"}));

    // A double click: a whole click, then a press that the window system marks as the second.
    events.clear();
    QTest::mouseClick(&control, Qt::LeftButton);
    QTest::mousePress(&control, Qt::LeftButton);
    QTest::mouseDClick(&control, Qt::LeftButton);
    EXPECT_EQ(events.count("click"), 1);
}

TEST_F(MouseTest, AFailingHandlerIsReportedAndEndsTheProgram)
{
    onClick(control, fake.runtime, [] { throw Errors::overflow("сумма"); });
    fake.boxes.answer(vbOK);
    QTest::mouseClick(&control, Qt::LeftButton);
    EXPECT_TRUE(fake.ended());
    // After the end nothing more is raised.
    events.clear();
    QTest::mouseClick(&control, Qt::LeftButton);
    EXPECT_TRUE(events.isEmpty());
}

TEST(TimerControl, TicksRunTheHandlerOnlyWhileEnabled)
{
    FakeRuntime fake;
    Timer timer(fake.runtime, 1000, false);
    int ticks = 0;
    timer.onTimer([&] { ++ticks; });
    timer.tick();
    EXPECT_EQ(ticks, 0);
    timer.setEnabled(true);
    timer.tick();
    timer.tick();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(timer.Interval(), 1000);
}

TEST(PictureBoxSurface, PointsAreReadInTheBoxsScaleFromItsOwnImageWhileHidden)
{
    QWidget window;
    setScaleMode(window, ScaleMode::Pixels);
    PictureBox box(&window);
    box.resize(4, 3);
    box.setBackColor(QColor(224, 224, 224));
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 255));
    picture.setPixel(1, 1, qRgb(15, 80, 112));
    box.setPicture(picture);

    // The box's own scale is twips: (1, 1) is pixel (0, 0), (16, 16) is pixel (1, 1).
    EXPECT_EQ(box.Point(1, 1), 0xFFFFFF);
    EXPECT_EQ(box.Point(16, 16), 15 + 256 * 80 + 65536 * 112);
    // Beyond the picture the background shows; beyond the box there is nothing.
    EXPECT_EQ(box.Point(3 * 15, 2 * 15), 224 + 256 * 224 + 65536 * 224);
    EXPECT_EQ(box.Point(4 * 15, 0), -1);

    box.setPicture(Picture());
    EXPECT_EQ(box.Point(16, 16), 224 + 256 * 224 + 65536 * 224);
}

TEST(PictureFiles, MissingOrUnreadableFilesNameTheirFullPath)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("pictures/12.bmp");
    try {
        LoadPicture(missing);
        FAIL() << "a missing picture loaded";
    } catch (const RuntimeError &error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_TRUE(error.description().contains(missing));
    }

    QFile junk(dir.filePath("5.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a bitmap");
    junk.close();
    try {
        LoadPicture(junk.fileName());
        FAIL() << "junk loaded as a picture";
    } catch (const RuntimeError &error) {
        EXPECT_EQ(error.number(), 481);
        EXPECT_TRUE(error.description().contains(junk.fileName()));
    }
}

TEST(PictureResources, TheFourFacesLoadByNumberAndOthersAreErrors)
{
    EXPECT_EQ(LoadResPicture(101).size(), QSize(156, 25));
    for (int id : {102, 103, 104})
        EXPECT_EQ(LoadResPicture(id).size(), QSize(155, 25)) << id;
    EXPECT_THROW(LoadResPicture(105), RuntimeError);
}

} // namespace
