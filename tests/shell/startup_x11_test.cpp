#include "screens/picture_box.h"
#include "shell/region_from_picture.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QRegion>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

// The real program, started as a person would start it, and looked at from the X server's side:
// which of its windows exist, which are mapped, and the outline the server keeps for them.

namespace {

const QString MainTitle =
    QStringLiteral("Кварцелин по специальности \"Оператор компьютерного набора\"");

template <class T> using XReply = std::unique_ptr<T, decltype(&std::free)>;

template <class T> XReply<T> own(T *reply)
{
    return XReply<T>(reply, &std::free);
}

// A top-level window as the X server sees it.
struct XWindow
{
    xcb_window_t id = XCB_NONE;
    QRect geometry;
    bool mapped = false;
    QByteArray wmClass;
    QString title;
    std::optional<std::uint32_t> pid;
    // _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
    std::vector<std::uint32_t> motifHints;

    bool frameless() const
    {
        constexpr std::uint32_t DecorationsGiven = 1u << 1;
        return motifHints.size() >= 3 && (motifHints[0] & DecorationsGiven) && motifHints[2] == 0;
    }
};

class XServer final
{
public:
    XServer() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~XServer() { xcb_disconnect(m_connection); }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool connected() const { return xcb_connection_has_error(m_connection) == 0; }

    bool hasShapeExtension() const
    {
        const xcb_query_extension_reply_t *shape =
            xcb_get_extension_data(m_connection, &xcb_shape_id);
        return shape && shape->present;
    }

    // Every window below the root whose _NET_WM_PID names the process.
    std::vector<XWindow> windowsOf(qint64 pid)
    {
        std::vector<XWindow> found;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        collect(root, pid, found);
        return found;
    }

    // The window's bounding shape, within the window: what the server draws of it.
    QRegion boundingShape(xcb_window_t window, const QRect &bounds)
    {
        auto reply = own(xcb_shape_get_rectangles_reply(
            m_connection, xcb_shape_get_rectangles(m_connection, window, XCB_SHAPE_SK_BOUNDING),
            nullptr));
        QRegion shape;
        if (!reply)
            return shape;
        const xcb_rectangle_t *rects = xcb_shape_get_rectangles_rectangles(reply.get());
        const int count = xcb_shape_get_rectangles_rectangles_length(reply.get());
        for (int i = 0; i < count; ++i)
            shape += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
        return shape & QRect(QPoint(0, 0), bounds.size());
    }

    // Whether the window has a bounding shape of its own rather than its plain rectangle.
    bool boundingShaped(xcb_window_t window)
    {
        auto reply = own(xcb_shape_query_extents_reply(
            m_connection, xcb_shape_query_extents(m_connection, window), nullptr));
        return reply && reply->bounding_shaped;
    }

private:
    void collect(xcb_window_t parent, qint64 pid, std::vector<XWindow> &found)
    {
        auto tree =
            own(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, parent), nullptr));
        if (!tree)
            return;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < count; ++i) {
            XWindow window = describe(children[i]);
            if (window.pid && *window.pid == pid)
                found.push_back(window);
            collect(children[i], pid, found);
        }
    }

    XWindow describe(xcb_window_t id)
    {
        XWindow window;
        window.id = id;
        if (auto geometry = own(
                xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, id), nullptr)))
            window.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        if (auto attributes = own(xcb_get_window_attributes_reply(
                m_connection, xcb_get_window_attributes(m_connection, id), nullptr)))
            window.mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
        window.wmClass = property(id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        window.title = QString::fromUtf8(property(id, atom("_NET_WM_NAME"), atom("UTF8_STRING")));
        const QByteArray pid = property(id, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
        if (pid.size() == 4)
            window.pid = *reinterpret_cast<const std::uint32_t *>(pid.constData());
        const xcb_atom_t motif = atom("_MOTIF_WM_HINTS");
        const QByteArray hints = property(id, motif, motif);
        for (qsizetype at = 0; at + 4 <= hints.size(); at += 4)
            window.motifHints.push_back(
                *reinterpret_cast<const std::uint32_t *>(hints.constData() + at));
        return window;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        auto reply = own(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, false, window, name, type, 0, 1024),
            nullptr));
        if (!reply || reply->type == XCB_NONE)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    xcb_atom_t atom(const char *name)
    {
        auto reply = own(xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, false, static_cast<std::uint16_t>(std::strlen(name)),
                            name),
            nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_connection_t *m_connection;
};

const XWindow *findBySize(const std::vector<XWindow> &windows, QSize size)
{
    for (const XWindow &window : windows)
        if (window.geometry.size() == size)
            return &window;
    return nullptr;
}

// One run of the program for the whole suite: it is started once, in an empty folder, and
// looked at after its registration window has appeared.
class StartedProgram : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<QTemporaryDir>();
        s_process = std::make_unique<QProcess>();
        s_process->setWorkingDirectory(s_folder->path());
        s_process->setProcessChannelMode(QProcess::ForwardedChannels);
        s_process->start(QStringLiteral(QUORVANE_EXE), {});
        s_started = s_process->waitForStarted(10000);

        // Generous: a debug build on a busy machine may take seconds to start.
        const QDeadlineTimer deadline(30000);
        s_x = std::make_unique<XServer>();
        while (s_started && s_x->connected() && !deadline.hasExpired() &&
               s_process->state() == QProcess::Running) {
            s_windows = s_x->windowsOf(s_process->processId());
            const XWindow *registration = findBySize(s_windows, {422, 219});
            if (registration && registration->mapped)
                break;
            QThread::msleep(20);
        }
    }

    static void TearDownTestSuite()
    {
        if (s_process && s_process->state() != QProcess::NotRunning) {
            s_process->kill();
            s_process->waitForFinished(10000);
        }
        s_x.reset();
        s_process.reset();
        s_folder.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_started) << "the program did not start: " << QUORVANE_EXE;
        ASSERT_TRUE(s_x->connected()) << "no X server (DISPLAY)";
        ASSERT_EQ(s_process->state(), QProcess::Running) << "the program ended during start-up";
        ASSERT_NE(findBySize(s_windows, {422, 219}), nullptr) << "no registration window";
    }

    static const XWindow &registration() { return *findBySize(s_windows, {422, 219}); }

    static std::unique_ptr<QTemporaryDir> s_folder;
    static std::unique_ptr<QProcess> s_process;
    static std::unique_ptr<XServer> s_x;
    static std::vector<XWindow> s_windows;
    static bool s_started;
};

std::unique_ptr<QTemporaryDir> StartedProgram::s_folder;
std::unique_ptr<QProcess> StartedProgram::s_process;
std::unique_ptr<XServer> StartedProgram::s_x;
std::vector<XWindow> StartedProgram::s_windows;
bool StartedProgram::s_started = false;

TEST_F(StartedProgram, RegistrationWindowIsMappedFramelessAndAloneOnScreen)
{
    EXPECT_TRUE(registration().mapped);
    EXPECT_TRUE(registration().frameless());
    EXPECT_TRUE(registration().wmClass.startsWith("quorvane")) << registration().wmClass.data();

    // The splash is gone and the main window waits hidden: nothing else of the program shows.
    for (const XWindow &window : s_windows)
        if (window.id != registration().id)
            EXPECT_FALSE(window.mapped)
                << "also mapped: " << window.geometry.width() << "x" << window.geometry.height();
}

TEST_F(StartedProgram, MainWindowIsLoadedButNotMapped)
{
    const XWindow *main = findBySize(s_windows, {690, 493});
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(main->title, MainTitle);
    EXPECT_FALSE(main->mapped);
    EXPECT_TRUE(main->frameless());
}

TEST_F(StartedProgram, MainWindowsOutlineIsExactlyTheSkinsNonKeyPixels)
{
    ASSERT_TRUE(s_x->hasShapeExtension());
    const XWindow *main = findBySize(s_windows, {690, 493});
    ASSERT_NE(main, nullptr) << "no main window";

    const QImage skin(QStringLiteral(":/layout/skin.bmp"));
    ASSERT_EQ(skin.size(), QSize(689, 480));
    // The key is the skin's top-left pixel, white in the finished artwork.
    const qint64 key = packedRgb(skin.pixel(0, 0));

    // The server must hold an outline of its own, even where it leaves nothing of the window.
    EXPECT_TRUE(s_x->boundingShaped(main->id));
    const QRegion shape = s_x->boundingShape(main->id, main->geometry);
    // The same pixels, however either side splits them into rectangles.
    const QRegion differ = shape ^ regionFromImage(skin, 689, 480, key);
    EXPECT_TRUE(differ.isEmpty()) << "outline and skin differ in " << differ.rectCount()
                                  << " rectangles, first at (" << differ.boundingRect().x() << ","
                                  << differ.boundingRect().y() << ")";

    // Counted directly, independent of how the outline is built.
    qint64 figure = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 689; ++x)
            figure += packedRgb(skin.pixel(x, y)) != key;
    qint64 area = 0;
    for (const QRect &rect : shape)
        area += qint64(rect.width()) * rect.height();
    EXPECT_EQ(area, figure);
}

} // namespace
