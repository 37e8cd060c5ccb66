#include "screens/picture_box.h"
#include "screens/runtime.h"
#include "screens/system_services.h"
#include "shell/program.h"
#include "shell/region_from_picture.h"
#include "testrun/main_layout.h"

#include <QApplication>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// How long start-up takes, measured from outside the program as a person sees it: from the
// moment the process is started to the moment the X server maps the registration window,
// against the same for the smallest Qt Widgets program and for the smallest that draws text; and
// how long cutting the main window's outline out of its skin takes, measured inside.

namespace {

using Stopwatch = std::chrono::steady_clock;

double millisBetween(Stopwatch::time_point from, Stopwatch::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Watches the root window for top-level windows being mapped (MapNotify through
// SubstructureNotify), so that the moment a window appears is seen as it happens, not polled.
class MapWatcher final
{
public:
    MapWatcher() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, false, std::strlen(name), name), nullptr);
        if (atom)
            m_pidAtom = atom->atom;
        std::free(atom);
        xcb_flush(m_connection);
    }
    ~MapWatcher() { xcb_disconnect(m_connection); }
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;

    bool connected() const { return m_root != XCB_NONE; }

    // Starts the program in the folder and returns the milliseconds from just before the start
    // to the mapping of its first window of the given size. Nothing when the program ends or
    // takes longer than the timeout. The program is killed afterwards either way.
    std::optional<double> timeStartUp(const char *program, const char *folder, int width,
                                      int height, int timeoutMs = 30000)
    {
        drain();
        const Stopwatch::time_point start = Stopwatch::now();
        const pid_t pid = fork();
        if (pid == 0) {
            // Quiet: the programs' warnings would only clutter the figures.
            const int nothing = open("/dev/null", O_WRONLY);
            dup2(nothing, STDOUT_FILENO);
            dup2(nothing, STDERR_FILENO);
            if (chdir(folder) != 0)
                _exit(126);
            execl(program, program, static_cast<char *>(nullptr));
            _exit(127);
        }
        if (pid < 0)
            return std::nullopt;

        std::optional<double> shown;
        bool running = true;
        while (!shown && running && millisBetween(start, Stopwatch::now()) < timeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const Stopwatch::time_point at = Stopwatch::now();
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (isWindowOf(map->window, pid, width, height))
                        shown = millisBetween(start, at);
                }
                std::free(event);
                if (shown)
                    break;
            }
            if (shown)
                break;
            running = waitpid(pid, nullptr, WNOHANG) == 0;
            pollfd socket{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&socket, 1, 20);
        }
        if (running) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        return shown;
    }

private:
    bool isWindowOf(xcb_window_t window, pid_t pid, int width, int height)
    {
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        const bool sized = geometry && geometry->width == width && geometry->height == height;
        std::free(geometry);
        if (!sized)
            return false;
        xcb_get_property_reply_t *property = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, false, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        const bool owned = property && xcb_get_property_value_length(property) == 4 &&
                           *static_cast<const std::uint32_t *>(xcb_get_property_value(property)) ==
                               static_cast<std::uint32_t>(pid);
        std::free(property);
        return owned;
    }

    // Forgets the events of earlier runs, once the server has handled everything sent so far.
    void drain()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_pidAtom = XCB_NONE;
};

struct Series
{
    const char *name;
    const char *program;
    std::vector<double> millis;
    int failed = 0;
};

void printSeries(const Series &series)
{
    if (series.millis.empty()) {
        std::printf("  %-15s no window seen\n", series.name);
        return;
    }
    const auto [lowest, highest] = std::minmax_element(series.millis.begin(), series.millis.end());
    std::printf("  %-15s %8.1f ms   (min %.1f, max %.1f, %zu runs, %d failed)\n", series.name,
                median(series.millis), *lowest, *highest, series.millis.size(), series.failed);
}

// Times one call, given something to do before each that is not to be counted.
template <class Prepare, class Call>
double medianMillis(int repetitions, Prepare prepare, Call call)
{
    std::vector<double> millis;
    millis.reserve(repetitions);
    for (int i = 0; i < repetitions; ++i) {
        prepare();
        const Stopwatch::time_point start = Stopwatch::now();
        call();
        millis.push_back(millisBetween(start, Stopwatch::now()));
    }
    return median(std::move(millis));
}

int benchStartUp(int runs)
{
    MapWatcher watcher;
    if (!watcher.connected()) {
        std::fprintf(stderr, "no X server: run under xvfb-run (scripts/bench.sh)\n");
        return 1;
    }
    QTemporaryDir folder;
    const QByteArray path = folder.path().toLocal8Bit();

    Series program{"quorvane", QUORVANE_EXE, {}};
    Series minimal{"minimal_window", MINIMAL_WINDOW_EXE, {}};
    Series text{"text_window", TEXT_WINDOW_EXE, {}};
    const std::initializer_list<Series *> all{&program, &minimal, &text};
    // One start of each first fills the file cache; it is not counted.
    for (Series *series : all)
        watcher.timeStartUp(series->program, path.constData(), 422, 219);
    // Interleaved, so that a slow spell of the machine falls on all alike.
    for (int run = 0; run < runs; ++run) {
        for (Series *series : all) {
            if (const auto millis =
                    watcher.timeStartUp(series->program, path.constData(), 422, 219))
                series->millis.push_back(*millis);
            else
                ++series->failed;
        }
    }

    std::printf("Start-up: process start to its 422x219 window mapped on the X server "
                "(median of %d interleaved runs each)\n",
                runs);
    for (const Series *series : all)
        printSeries(*series);
    if (program.millis.empty() || minimal.millis.empty() || text.millis.empty())
        return 1;
    std::printf("  ratio to minimal_window %8.2f\n",
                median(program.millis) / median(minimal.millis));
    std::printf("  ratio to text_window    %8.2f   (goal <= 1.2)\n",
                median(program.millis) / median(text.millis));
    return 0;
}

void benchOutline(int repetitions)
{
    SystemClock clock;
    SystemRandom random;
    DialogBoxes boxes;
    ProcessEnding ending;
    Runtime runtime(clock, random, boxes, ending, QCoreApplication::applicationDirPath());

    // As start-up does it, once per freshly loaded main window: the key read at (1, 1), which
    // first draws the box's surface, then the outline.
    std::vector<double> keyReads;
    std::vector<double> firstOutlines;
    QRegion region;
    for (int i = 0; i < 20; ++i) {
        Program program(runtime);
        program.frmMain.Load();
        const PictureBox &pic = *program.frmMain->ui().pic;
        const Stopwatch::time_point start = Stopwatch::now();
        const qint64 key = pic.Point(1, 1);
        const Stopwatch::time_point read = Stopwatch::now();
        region = RegionFromPicture(pic, key);
        keyReads.push_back(millisBetween(start, read));
        firstOutlines.push_back(millisBetween(read, Stopwatch::now()));
    }
    const int firstRects = region.rectCount();

    Program program(runtime);
    program.frmMain.Load();
    PictureBox &pic = *program.frmMain->ui().pic;
    const Picture skin = pic.picture();
    const qint64 key = pic.Point(1, 1);
    // Setting the picture again throws away the box's drawn surface, as before start-up's call.
    const double fromPicture = medianMillis(
        repetitions, [&] { pic.setPicture(skin); }, [&] { region = RegionFromPicture(pic, key); });
    const double fromImage = medianMillis(
        repetitions, [] {}, [&] { region = regionFromImage(skin, 689, 480, 0xFFFFFF); });

    std::printf("Window outline from the skin (goal <= 1 ms), start-up's key 0x%06llx\n",
                static_cast<unsigned long long>(key));
    std::printf("  On a freshly loaded main window (median of %zu):\n", keyReads.size());
    std::printf("    Point(1, 1), which first draws the box's surface:   %7.3f ms\n",
                median(keyReads));
    std::printf("    RegionFromPicture right after it:                   %7.3f ms  "
                "(%d rectangles)\n",
                median(firstOutlines), firstRects);
    std::printf("  RegionFromPicture, box surface drawn anew each time:   %7.3f ms  "
                "(median of %d)\n",
                fromPicture, repetitions);
    std::printf("  regionFromImage on the skin, key white:                %7.3f ms  "
                "(median of %d, %d rectangles)\n",
                fromImage, repetitions, region.rectCount());
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

    // Before any Qt object exists, so that the started programs are forked from a plain process.
    if (benchStartUp(runs) != 0)
        return 1;
    // The outline is cut from the box's own image and needs no screen. Right after many programs
    // were started and killed on it, the X server may still refuse a new connection for a moment.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchOutline(repetitions);
    return 0;
}
