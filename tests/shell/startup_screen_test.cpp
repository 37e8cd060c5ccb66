#include "screens/picture_box.h"
#include "screens/pictures.h"
#include "shell/mdl2.h"
#include "shell/program.h"
#include "shell/region_from_picture.h"
#include "support/fake_runtime.h"
#include "testrun/main_layout.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>

// Start-up on a real X server: what the shaped main window leaves of itself on the screen.

namespace {

// A colour the skin does not use, so that whatever shows it on screen lies behind the window.
const QColor Backdrop(200, 40, 160);

class StartupOnScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake.runtime.run([&] { Main(program); });
        ASSERT_FALSE(fake.ended());
        ASSERT_TRUE(fake.boxes.asked().empty());
        skin = layoutPicture(QStringLiteral("skin.bmp"));
        ASSERT_EQ(skin.size(), QSize(689, 480));
        outline = regionFromImage(skin, 689, 480, packedRgb(skin.pixel(0, 0)));
    }

    FakeRuntime fake;
    Program program{fake.runtime};
    QImage skin;
    QRegion outline;
};

TEST_F(StartupOnScreen, LeavesTheMainWindowHiddenAndShapedAndTheRegistrationWindowShown)
{
    EXPECT_FALSE(program.frmLoad.loaded());
    ASSERT_TRUE(program.frmMain.loaded());
    EXPECT_FALSE(program.frmMain->isVisible());
    // A mask, even where the outline leaves nothing, or Qt would draw the whole rectangle.
    EXPECT_FALSE(program.frmMain->mask().isEmpty());
    // The same pixels, however either side splits them into rectangles.
    EXPECT_TRUE(((program.frmMain->mask() & program.frmMain->rect()) ^ outline).isEmpty());
    ASSERT_TRUE(program.frmUser.loaded());
    EXPECT_TRUE(program.frmUser->isVisible());
}

// Differences between the screen and what it should show, described for the failure message.
struct ScreenCheck
{
    int skinPixels = 0;
    int backdropPixels = 0;
    int wrong = 0;
    std::ostringstream firstWrong;

    void expect(const QImage &screen, QPoint at, QColor expected, const char *what)
    {
        const QColor shown = screen.pixelColor(at);
        if (shown.rgb() == expected.rgb())
            return;
        if (++wrong <= 5)
            firstWrong << " (" << at.x() << "," << at.y() << ") " << what << " "
                       << expected.name().toStdString() << " shows " << shown.name().toStdString()
                       << ";";
    }
};

TEST_F(StartupOnScreen, TheShownMainWindowShowsItsSkinInsideTheOutlineAndWhatLiesBehindOutside)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_GE(screen->depth(), 24) << "colours need a true-colour screen";

    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    backdrop.setAutoFillBackground(true);
    QPalette palette = backdrop.palette();
    palette.setColor(QPalette::Window, Backdrop);
    backdrop.setPalette(palette);
    backdrop.setGeometry(screen->geometry());
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    // The backdrop is newer than the main window, so it must go below it.
    backdrop.lower();

    // The way the registration window gives way to the main window.
    program.frmUser.Hide();
    program.frmMain.Show();
    frmMain &window = *program.frmMain;
    const QWidget *pic = window.ui().pic;

    // Around the window, a few pixels beyond its edges as well.
    const QRect checked = window.rect().adjusted(-4, -4, 4, 4);
    const auto compare = [&] {
        QGuiApplication::sync();
        const QImage shot = screen->grabWindow(0).toImage();
        const QPoint origin = window.mapToGlobal(QPoint(0, 0)) - screen->geometry().topLeft();
        auto check = std::make_unique<ScreenCheck>();
        for (int y = checked.top(); y <= checked.bottom(); ++y) {
            for (int x = checked.left(); x <= checked.right(); ++x) {
                const QPoint at(x, y);
                if (!outline.contains(at)) {
                    ++check->backdropPixels;
                    check->expect(shot, origin + at, Backdrop, "behind");
                } else if (window.childAt(at) == pic) {
                    ++check->skinPixels;
                    check->expect(shot, origin + at, skin.pixelColor(at), "skin");
                }
            }
        }
        return check;
    };

    // Painting follows the window's exposure: wait until the screen agrees, or give up.
    const QDeadlineTimer deadline(10000);
    auto check = compare();
    while (check->wrong > 0 && !deadline.hasExpired()) {
        QTest::qWait(50);
        check = compare();
    }
    EXPECT_EQ(check->wrong, 0) << check->firstWrong.str();
    // Still so once every pending paint has been done.
    QTest::qWait(300);
    check = compare();
    EXPECT_EQ(check->wrong, 0) << check->firstWrong.str();

    EXPECT_TRUE(window.isVisible());
    EXPECT_GT(check->backdropPixels, 0);
    // Some of the skin shows between the controls wherever there is an outline at all.
    if (!outline.isEmpty())
        EXPECT_GT(check->skinPixels, 0);
}

// A property of a window as the X server holds it, read over a connection of the test's own;
// nullopt when the window has none.
std::optional<QByteArray> xProperty(QWidget &window, const char *name)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    std::optional<QByteArray> value;
    auto *atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, false, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    if (atom) {
        auto *reply = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, false, static_cast<xcb_window_t>(window.winId()),
                             atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr);
        if (reply && reply->type != XCB_NONE)
            value = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        std::free(reply);
        std::free(atom);
    }
    xcb_disconnect(connection);
    return value;
}

// What a task bar shows for each window: the splash and the registration window have no caption
// and so no name, not the program's; the main window is named by its caption and has the
// program's icon.
TEST(WindowNames, TheSplashAndTheRegistrationWindowAreNamelessAndTheMainWindowHasItsCaptionAndIcon)
{
    FakeRuntime fake;
    Program program{fake.runtime};
    program.frmLoad.Show();
    program.frmUser.Show();
    program.frmMain.Show();
    QGuiApplication::sync();

    for (QWidget *window :
         {static_cast<QWidget *>(&*program.frmLoad), static_cast<QWidget *>(&*program.frmUser)}) {
        for (const char *name : {"_NET_WM_NAME", "WM_NAME"}) {
            const std::optional<QByteArray> value = xProperty(*window, name);
            EXPECT_TRUE(!value || value->isEmpty()) << window->metaObject()->className() << " "
                                                    << name << " \"" << value->data() << "\"";
        }
    }
    EXPECT_EQ(QString::fromUtf8(xProperty(*program.frmMain, "_NET_WM_NAME").value_or("")),
              QStringLiteral("Кварцелин по специальности \"Оператор компьютерного набора\""));
    const QList<QSize> iconSizes = program.frmMain->windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)));
    EXPECT_FALSE(xProperty(*program.frmMain, "_NET_WM_ICON").value_or("").isEmpty());
}

} // namespace
