#include "support/keeper_service.h"
#include "sample_banks.h"
#include "screens/look.h"
#include "screens/picture_box.h"
#include "screens/pictures.h"
#include "screens/runtime.h"
#include "screens/system_services.h"
#include "shell/mdl2.h"
#include "shell/program.h"
#include "store/bank_check.h"
#include "store/bank_file.h"
#include "store/database.h"
#include "store/runtime_error.h"
#include "store/statements.h"
#include "exam/keeper_link.h"
#include "testrun/main_layout.h"
#include "store/question_draw.h"
#include "testrun/question_draw.h"
#include "ui_frm_user.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <grp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// How quickly the test run answers and how much memory a whole exam takes, on the sample bank
// and on a bank of the largest size:
//   1. a submit click on the action button to the end of the main window's next paint, with the
//      bank opened in the process and with a sealed bank through its keeper, exam by exam in turn;
//   2. the 40 draws of a test;
//   3. opening the bank as registration does, with and without the bank check;
//   4. the peak memory of a whole exam, against the smallest Qt Widgets program.
// Every exam, and every first open, runs in a fresh process, as the program holds one exam per
// run: this program started again in one of its inner modes.
//
//   testrun_bench [exams [draw tests [opens [pause]]]]      (defaults 5, 200, 20, 1050 ms)
//   testrun_bench --exam PROGRAM_FOLDER FOLDER FIGURES_FILE PAUSE inprocess|keeper
//   testrun_bench --open FOLDER LABEL check|nocheck OPENS
// The pause is the idle time between ticking an answer and the timed submit: the longer the
// machine idles, the colder its caches at the click, as for a person who reads each question.
// It is never under the keeper's spacing of the questions, so that its wait is not timed.

namespace {

using Stopwatch = std::chrono::steady_clock;

constexpr int LargestBank = 32767;
constexpr int TestLength = 40;
// The keeper hands over a question no sooner than 1 s after the one before.
constexpr int KeeperSpacingMs = 1050;

// The keeper refuses the superuser: run as one, the benchmark's service starts it as "nobody"
// and gives that account the sealed banks' folders, as the package gives them to the keeper's.
constexpr uid_t Nobody = 65534;
const bool AsSuperuser = geteuid() == 0;

double millisBetween(Stopwatch::time_point from, Stopwatch::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Summary
{
    double median = 0;
    double p95 = 0;
    double lowest = 0;
    double highest = 0;
    std::size_t count = 0;
};

// Nearest-rank percentiles: each figure is one of the values measured.
Summary summarize(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const auto rank = [&](double p) {
        const auto index = static_cast<std::size_t>(std::ceil(p * values.size()));
        return values[std::clamp<std::size_t>(index, 1, values.size()) - 1];
    };
    return {rank(0.5), rank(0.95), values.front(), values.back(), values.size()};
}

QString appPath()
{
    return QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank");
}

// A box in the middle of a benchmark means something went wrong; a modal box would hang the
// run, so the box is printed and the run fails.
class FailingBoxes final : public MessageBoxes
{
public:
    int ask(const QString &prompt, int, const QString &title) override
    {
        std::fprintf(stderr, "unexpected message box «%s»: %s\n", qPrintable(title),
                     qPrintable(prompt));
        std::fflush(nullptr);
        std::_Exit(1);
    }
};

// The program's own services, but for the boxes.
struct Services
{
    explicit Services(const QString &programFolder = appPath())
        : runtime{clock, random, boxes, ending, programFolder}
    {}

    SystemClock clock;
    SystemRandom random;
    FailingBoxes boxes;
    ProcessEnding ending;
    Runtime runtime;
};

long statusKiB(pid_t pid, const char *key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toLong();
    return -1;
}

double mebibytes(double kibibytes)
{
    return kibibytes / 1024.0;
}

// ---------------------------------------------------------------------------------------------
// Children

// The child's wait status.
std::optional<int> waitChild(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return std::nullopt;
    return status;
}

pid_t spawn(const std::vector<std::string> &args)
{
    std::fflush(nullptr);
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

bool runChild(const std::vector<std::string> &args)
{
    const pid_t pid = spawn(args);
    if (pid <= 0)
        return false;
    const std::optional<int> status = waitChild(pid);
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::string self()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
}

// ---------------------------------------------------------------------------------------------
// The banks

struct Bank
{
    QString label;
    QString folder;
    bool keeper = false;
};

// The folder and its bank as the keeper takes them: the folder its account's and closed to
// others, the bank readable by that account and group only.
bool sealBank(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    const QByteArray file = QFile::encodeName(QDir(folder).filePath(QStringLiteral("data.mdb")));
    const uid_t owner = AsSuperuser ? Nobody : geteuid();
    const gid_t group = AsSuperuser ? Nobody : getegid();
    return chown(path.constData(), owner, group) == 0 &&
           chown(file.constData(), owner, group) == 0 && chmod(path.constData(), 02770) == 0 &&
           chmod(file.constData(), 0660) == 0;
}

// The program folder of the exams: the sample's pictures and the keeper, linked in.
bool makeProgramFolder(const QString &folder)
{
    return QDir().mkpath(folder) &&
           QFile::link(QDir(appPath()).filePath(QStringLiteral("pictures")),
                       QDir(folder).filePath(QStringLiteral("pictures"))) &&
           QFile::link(QStringLiteral(QUORVANE_KEEPER_EXE),
                       QDir(folder).filePath(QStringLiteral("quorvane-keeper"))) &&
           // The keeper's account starts the keeper from there.
           chmod(QFile::encodeName(folder).constData(), 0755) == 0;
}

// ---------------------------------------------------------------------------------------------
// One exam in a fresh process: the submits' timings and the process's peak memory

// Delivers the main window's next update request itself, so that it knows when the paint of the
// whole window (every widget drawn, the result handed to the X server) has ended.
class PaintProbe final : public QObject
{
public:
    explicit PaintProbe(QWidget &window) { window.installEventFilter(this); }

    void arm()
    {
        m_armed = true;
        m_done = false;
    }
    bool done() const { return m_done; }
    Stopwatch::time_point started() const { return m_started; }
    Stopwatch::time_point ended() const { return m_ended; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_armed || event->type() != QEvent::UpdateRequest)
            return false;
        m_armed = false;
        m_started = Stopwatch::now();
        watched->event(event);
        m_ended = Stopwatch::now();
        m_done = true;
        return true;
    }

private:
    bool m_armed = false;
    bool m_done = false;
    Stopwatch::time_point m_started;
    Stopwatch::time_point m_ended;
};

struct SubmitTiming
{
    double total = 0;   // the press to the end of the paint
    double handler = 0; // the press to the release's handlers having returned
    double paint = 0;   // the paint itself
    bool painted = false;
};

// One examinee through the real windows, as a person would go: start-up, the names, the exam
// button, the action button and an answer ticked for every question.
class Exam
{
public:
    explicit Exam(Runtime &runtime) : m_program(runtime) {}

    Program &program() { return m_program; }
    MainWindowUi &main() { return m_program.frmMain->ui(); }

    void startUp()
    {
        m_program.runtime.run([&] { Main(m_program); });
        QTest::qWait(50);
    }

    // Exam mode, under a name of its own, so the attempt rule admits every run.
    bool registerExaminee()
    {
        Ui::frmUser &user = m_program.frmUser->ui();
        // Set, not typed: QTest types Latin-1 only.
        user.Text2->setText(QStringLiteral("Иванов"));
        user.Text1->setText(QStringLiteral("Пётр"));
        user.Text3->setText(QStringLiteral("Сидорович %1").arg(getpid()));
        QTest::mouseClick(user.Image1, Qt::LeftButton);
        const bool shown = QTest::qWaitForWindowExposed(&*m_program.frmMain);
        QTest::qWait(50);
        return shown;
    }

    // Ticks one answer of the question on screen, a different one from question to question,
    // and lets its paint end, so that it is not counted with the next submit.
    void answer(PaintProbe &probe)
    {
        frmMain &window = *m_program.frmMain;
        const int k = 1 + m_program.state.QuestionNo % 4;
        const QPoint onTheBox(5, 6);
        probe.arm();
        if (window.Option1.Count() > 1)
            QTest::mouseClick(&window.Option1(k), Qt::LeftButton, {}, onTheBox);
        else if (window.Check1.Count() > 1)
            QTest::mouseClick(&window.Check1(k), Qt::LeftButton, {}, onTheBox);
        awaitPaint(probe);
    }

    // A click on the action button, timed to the end of the paint that follows it.
    SubmitTiming clickActionButton(PaintProbe &probe)
    {
        probe.arm();
        const Stopwatch::time_point start = Stopwatch::now();
        QTest::mouseClick(main().Picture4, Qt::LeftButton);
        const Stopwatch::time_point handled = Stopwatch::now();
        awaitPaint(probe);
        SubmitTiming timing;
        timing.handler = millisBetween(start, handled);
        timing.painted = probe.done();
        if (timing.painted) {
            timing.total = millisBetween(start, probe.ended());
            timing.paint = millisBetween(probe.started(), probe.ended());
        }
        return timing;
    }

    // The result is on screen after the 40th question.
    bool finished()
    {
        return m_program.state.QuestionNo == TestLength && !m_program.state.TestRunning &&
               main().Frame1->isVisible();
    }

private:
    static void awaitPaint(const PaintProbe &probe)
    {
        const Stopwatch::time_point deadline = Stopwatch::now() + std::chrono::seconds(2);
        while (!probe.done() && Stopwatch::now() < deadline)
            QCoreApplication::processEvents();
    }

    Program m_program;
};

// The moments of an exam at which its peak memory is taken.
constexpr std::array<const char *, 5> Stages = {
    "QApplication made",
    "after start-up (Main)",
    "after registration (bank open, window shown)",
    "after question 1 answered",
    "after the result (the exam's peak)",
};

// Writes its figures to a file, one per line, for the parent to gather. Through the keeper, the
// bank is taken as sealed whoever runs the benchmark.
int examMode(const QString &programFolder, const QString &folder, const QString &figuresPath,
             int pauseMs, bool keeper)
{
    QFile figuresFile(figuresPath);
    if (!figuresFile.open(QIODevice::WriteOnly))
        return 1;
    QTextStream figures(&figuresFile);
    int stage = 0;
    const auto notePeak = [&] {
        figures << "peak " << stage++ << ' ' << statusKiB(getpid(), "VmHWM") << '\n';
    };

    QDir::setCurrent(folder);
    notePeak();
    Services services(programFolder);
    Exam exam(services.runtime);
    long keeperPeak = -1;
    // The keeper's service as its units run it, one keeper per connection.
    const QString keeperProgram = QDir(programFolder).filePath(QStringLiteral("quorvane-keeper"));
    std::optional<KeeperService> service;
    if (keeper) {
        service.emplace(keeperProgram, QStringList{}, folder);
        if (!service->listening())
            return 1;
        TestRunState &run = exam.program().state;
        run.BankSealed = [] { return true; };
        run.StartKeeper = [&service](const QString &) { return service->connect(); };
    }
    // Taken between submits: the keeper ends with the exam's last answer.
    const auto noteKeeperPeak = [&] {
        if (const pid_t keeperPid = keeper ? runningProgram(keeperProgram) : -1; keeperPid > 0)
            keeperPeak = std::max(keeperPeak, statusKiB(keeperPid, "VmHWM"));
    };
    exam.startUp();
    notePeak();
    if (!exam.registerExaminee())
        return 1;
    notePeak();

    PaintProbe probe(*exam.program().frmMain);
    QTest::qWait(pauseMs);
    figures << "start " << exam.clickActionButton(probe).total << '\n';
    for (int question = 1; question <= TestLength; ++question) {
        exam.answer(probe);
        QTest::qWait(pauseMs);
        const SubmitTiming timing = exam.clickActionButton(probe);
        if (question < TestLength)
            noteKeeperPeak();
        if (timing.painted)
            figures << "submit " << timing.total << ' ' << timing.handler << ' ' << timing.paint
                    << '\n';
        else
            figures << "unpainted\n";
        if (question == 1)
            notePeak();
    }
    QTest::qWait(200);
    notePeak();
    if (keeperPeak > 0)
        figures << "keeper " << keeperPeak << '\n';
    figures << "finished " << (exam.finished() ? 1 : 0) << '\n';
    return 0;
}

struct ExamSeries
{
    std::vector<double> totals;
    std::vector<double> handlers;
    std::vector<double> paints;
    std::vector<double> starts;
    std::vector<double> results;
    std::vector<double> examMedians;
    std::vector<double> examP95s;
    std::array<std::vector<double>, Stages.size()> peaks;
    std::vector<double> keeperPeaks;
    int failures = 0;
};

void runExam(const QString &programFolder, const Bank &bank, int pauseMs, ExamSeries &series)
{
    QTemporaryDir scratch;
    const QString figuresPath = scratch.filePath(QStringLiteral("figures.txt"));
    QFile figuresFile(figuresPath);
    if (!runChild({self(), "--exam", programFolder.toStdString(), bank.folder.toStdString(),
                   figuresPath.toStdString(), std::to_string(pauseMs),
                   bank.keeper ? "keeper" : "inprocess"}) ||
        !figuresFile.open(QIODevice::ReadOnly)) {
        ++series.failures;
        return;
    }
    std::vector<double> submits;
    bool finished = false;
    int unpainted = 0;
    for (const QByteArray &line : figuresFile.readAll().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        const QByteArray &what = words.front();
        const auto number = [&](int i) { return i < words.size() ? words[i].toDouble() : 0; };
        if (what == "peak" && words.size() == 3) {
            const auto stage = static_cast<std::size_t>(number(1));
            if (stage < Stages.size())
                series.peaks[stage].push_back(number(2));
        } else if (what == "start") {
            series.starts.push_back(number(1));
        } else if (what == "submit") {
            submits.push_back(number(1));
            series.handlers.push_back(number(2));
            series.paints.push_back(number(3));
        } else if (what == "keeper") {
            series.keeperPeaks.push_back(number(1));
        } else if (what == "unpainted") {
            ++unpainted;
        } else if (what == "finished") {
            finished = number(1) == 1;
        }
    }
    if (!finished || unpainted > 0 || submits.size() != TestLength) {
        ++series.failures;
        return;
    }
    series.totals.insert(series.totals.end(), submits.begin(), submits.end());
    series.results.push_back(submits.back());
    const Summary summary = summarize(submits);
    series.examMedians.push_back(summary.median);
    series.examP95s.push_back(summary.p95);
}

bool printSubmits(const std::vector<Bank> &banks, const std::vector<ExamSeries> &series, int exams,
                  int pauseMs)
{
    std::printf("1. Submit click on Picture4 to the end of the main window's next paint "
                "(goal: median <= 2 ms)\n"
                "   %d exams per bank, each in a fresh process: start-up, registration in exam "
                "mode, the start click,\n"
                "   then 40 times an answer ticked, a pause of %d ms and a timed submit;\n"
                "   the bank opened in the process, and sealed and opened by its keeper, exam by "
                "exam in turn.\n"
                "   The pause, before the start click too, is idle and not timed; as the keeper "
                "hands over a question\n"
                "   no sooner than 1 s after the one before, both series have it, so that the "
                "spacing never shows here\n",
                exams, pauseMs);
    bool ok = true;
    for (std::size_t b = 0; b < banks.size(); ++b) {
        const ExamSeries &s = series[b];
        const Summary total = summarize(s.totals);
        const Summary medians = summarize(s.examMedians);
        const Summary p95s = summarize(s.examP95s);
        std::printf("   %s:\n", qPrintable(banks[b].label));
        std::printf("     all %3zu submits:     median %6.3f ms   p95 %6.3f ms   "
                    "(min %.3f, max %.3f)\n",
                    total.count, total.median, total.p95, total.lowest, total.highest);
        std::printf("     per exam:             medians %.3f..%.3f ms, p95s %.3f..%.3f ms\n",
                    medians.lowest, medians.highest, p95s.lowest, p95s.highest);
        std::printf("     of which the click:   median %6.3f ms   (press and release handled)\n",
                    summarize(s.handlers).median);
        std::printf("     of which the paint:   median %6.3f ms   (the window's update)\n",
                    summarize(s.paints).median);
        std::printf("     40th submit (result): median %6.3f ms;  start click: median %.3f ms\n",
                    summarize(s.results).median, summarize(s.starts).median);
        if (s.failures) {
            std::printf("     FAILED: %d exams did not run through\n", s.failures);
            ok = false;
        }
    }
    // The second half of the banks are the first half's sealed copies.
    const std::size_t copies = banks.size() / 2;
    std::printf("   through the keeper against in process (goal: medians within 0.5 ms):\n");
    for (std::size_t b = 0; b < copies; ++b) {
        const Summary inProcess = summarize(series[b].totals);
        const Summary keeper = summarize(series[b + copies].totals);
        const double difference = keeper.median - inProcess.median;
        std::printf("     %s: median %6.3f against %6.3f ms, %+.3f ms (%s); "
                    "p95 %6.3f against %6.3f ms, %+.3f ms\n",
                    qPrintable(banks[b].label), keeper.median, inProcess.median, difference,
                    std::abs(difference) <= 0.5 ? "met" : "NOT met", keeper.p95, inProcess.p95,
                    keeper.p95 - inProcess.p95);
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------
// 2. The draws

// The 40 draws of one test, as CreateQuestion makes them.
void drawTest(Runtime &runtime, std::vector<qint16> &drawnIds)
{
    for (int questionNo = 1; questionNo <= TestLength; ++questionNo)
        drawnIds[static_cast<std::size_t>(questionNo)] =
            drawUnaskedId(reseededRandom(runtime), drawnIds, questionNo - 1);
}

// Counts the attempts, for the figures' sake; not used while timing.
class CountingRandom final : public RandomSource
{
public:
    void randomize() override
    {
        ++attempts;
        m_random.randomize();
    }
    double next() override { return m_random.next(); }
    long attempts = 0;

private:
    SystemRandom m_random;
};

bool benchDraws(int tests)
{
    std::printf("\n2. The 40 draws of a test with SystemRandom (goal: under 1 ms for the 40)\n");
    Services services;
    bool ok = true;
    for (const int lastId : {TestLength, LargestBank}) {
        std::vector<double> millis;
        int wholeTests = 0;
        for (int t = 0; t < tests; ++t) {
            std::vector<qint16> drawnIds(static_cast<std::size_t>(lastId) + 2, 0);
            const Stopwatch::time_point start = Stopwatch::now();
            drawTest(services.runtime, drawnIds);
            millis.push_back(millisBetween(start, Stopwatch::now()));
            const std::set<qint16> distinct(drawnIds.begin() + 1, drawnIds.begin() + 41);
            if (distinct.size() == TestLength && *distinct.begin() >= 1 &&
                *distinct.rbegin() <= lastId)
                ++wholeTests;
        }

        CountingRandom counting;
        Runtime countingRuntime(services.clock, counting, services.boxes, services.ending,
                                appPath());
        for (int t = 0; t < tests; ++t) {
            std::vector<qint16> drawnIds(static_cast<std::size_t>(lastId) + 2, 0);
            drawTest(countingRuntime, drawnIds);
        }

        const Summary summary = summarize(millis);
        std::printf("   bank of %5d: median %7.4f ms   p95 %7.4f ms   max %7.4f ms   "
                    "(%zu tests; %.1f attempts per test; %d tests drew 40 different ids)\n",
                    lastId, summary.median, summary.p95, summary.highest, summary.count,
                    static_cast<double>(counting.attempts) / tests, wholeTests);
        ok = ok && wholeTests == tests;
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------
// 3. Opening the bank

struct OpenSteps
{
    std::vector<double> total, open, select, check;
};

// What OpenBasa does with the bank before the attempt rule.
void openBank(bool withCheck, OpenSteps &steps)
{
    const Stopwatch::time_point start = Stopwatch::now();
    Database basa = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    const Stopwatch::time_point opened = Stopwatch::now();
    Recordset questions = basa.OpenRecordset(Statements::SelectQuestions);
    questions.MoveLast();
    const Stopwatch::time_point selected = Stopwatch::now();
    if (withCheck)
        checkBank(basa, questions.Fields(QStringLiteral("id")),
                  QDir(appPath()).filePath(QStringLiteral("pictures")), isReadablePicture);
    const Stopwatch::time_point checked = Stopwatch::now();
    steps.total.push_back(millisBetween(start, checked));
    steps.open.push_back(millisBetween(start, opened));
    steps.select.push_back(millisBetween(opened, selected));
    steps.check.push_back(millisBetween(selected, checked));
}

int openMode(const QString &folder, const QString &label, bool withCheck, int opens)
{
    QDir::setCurrent(folder);
    OpenSteps first;
    OpenSteps later;
    try {
        openBank(withCheck, first);
        for (int i = 0; i < opens; ++i)
            openBank(withCheck, later);
    } catch (const RuntimeError &error) {
        std::fprintf(stderr, "%s: error %d: %s\n", qPrintable(label), error.number(),
                     qPrintable(error.description()));
        return 1;
    }
    const Summary total = summarize(later.total);
    std::printf("   %s, %s:\n"
                "     first %6.2f ms;  later: median %6.2f ms (min %.2f, max %.2f);  "
                "later medians of the steps:\n"
                "     OpenDatabase %.2f ms, select + MoveLast %.2f ms, checkBank %.2f ms\n",
                qPrintable(label), withCheck ? "with the check" : "without the check",
                first.total.front(), total.median, total.lowest, total.highest,
                summarize(later.open).median, summarize(later.select).median,
                summarize(later.check).median);
    return 0;
}

bool benchOpening(const std::vector<Bank> &banks, int opens)
{
    std::printf("\n3. Opening the bank as OpenBasa does: OpenDatabase, \"select * from "
                "questions\", MoveLast (goal: <= 30 ms)\n"
                "   first: the first open in a fresh process; later: %d opens after it\n",
                opens);
    bool ok = true;
    for (const Bank &bank : banks)
        for (const char *check : {"check", "nocheck"})
            ok = runChild({self(), "--open", bank.folder.toStdString(), bank.label.toStdString(),
                           check, std::to_string(opens)}) &&
                 ok;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// 4. Peak memory

// Lets the program run until its peak has stopped rising for a while, then ends it. Returns the
// peak, or -1.
long settledPeak(pid_t pid)
{
    const Stopwatch::time_point start = Stopwatch::now();
    Stopwatch::time_point changed = start;
    long lastPeak = -1;
    while (millisBetween(start, Stopwatch::now()) < 10000) {
        const long peak = statusKiB(pid, "VmHWM");
        if (peak < 0)
            break;
        if (peak != lastPeak) {
            lastPeak = peak;
            changed = Stopwatch::now();
        }
        if (millisBetween(start, Stopwatch::now()) > 1500 &&
            millisBetween(changed, Stopwatch::now()) > 1000)
            break;
        usleep(20000);
    }
    kill(pid, SIGTERM);
    waitChild(pid);
    return lastPeak;
}

bool printMemory(const std::vector<Bank> &banks, const std::vector<ExamSeries> &series)
{
    std::printf("\n4. Peak memory, VmHWM of the process (goal: <= 40 MiB)\n");
    for (std::size_t b = 0; b < banks.size(); ++b) {
        std::printf("   whole exam (the exams of 1.), %s; median (max) of the exams:\n",
                    qPrintable(banks[b].label));
        for (std::size_t stage = 0; stage < Stages.size(); ++stage) {
            const Summary peak = summarize(series[b].peaks[stage]);
            std::printf("     %-46s %6.1f MiB  (%.1f)\n", Stages[stage], mebibytes(peak.median),
                        mebibytes(peak.highest));
        }
        if (banks[b].keeper) {
            const Summary peak = summarize(series[b].keeperPeaks);
            std::printf("     %-46s %6.1f MiB  (%.1f)\n", "the keeper (its own process)",
                        mebibytes(peak.median), mebibytes(peak.highest));
        }
    }

    std::vector<double> peaks;
    for (int run = 0; run < 3; ++run) {
        const pid_t pid = spawn({MINIMAL_WINDOW_EXE});
        const long peak = pid > 0 ? settledPeak(pid) : -1;
        if (peak > 0)
            peaks.push_back(peak);
    }
    if (peaks.empty()) {
        std::printf("   minimal_window FAILED\n");
        return false;
    }
    std::printf("   minimal_window, its window shown, peak settled: %6.1f MiB  "
                "(median of %zu runs)\n",
                mebibytes(summarize(peaks).median), peaks.size());
    return true;
}

// ---------------------------------------------------------------------------------------------

int benchAll(int exams, int drawTests, int opens, int pauseMs)
{
    QTemporaryDir root;
    std::vector<Bank> banks;
    try {
        const BankTables sample = sampleBankTables();
        banks.push_back({QStringLiteral("sample bank (%1 questions)").arg(sample.questions.size()),
                         root.filePath(QStringLiteral("sample"))});
        banks.push_back({QStringLiteral("bank of %1 questions").arg(LargestBank),
                         root.filePath(QStringLiteral("largest"))});
        QDir(root.path()).mkpath(QStringLiteral("sample"));
        QDir(root.path()).mkpath(QStringLiteral("largest"));
        writeBankTables(QDir(banks[0].folder).filePath(QStringLiteral("data.mdb")), sample);
        writeBankTables(QDir(banks[1].folder).filePath(QStringLiteral("data.mdb")),
                        largestBank(sample));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "cannot build the banks: %s\n", error.what());
        return 1;
    }

    // The same banks sealed, for the exams through the keeper; when run as the superuser, the
    // keeper's account has to pass through the folder above them.
    std::vector<Bank> examBanks = banks;
    const QString programFolder = root.filePath(QStringLiteral("program"));
    bool sealed = makeProgramFolder(programFolder) &&
                  (!AsSuperuser || chmod(QFile::encodeName(root.path()).constData(), 0711) == 0);
    for (const Bank &bank : banks) {
        const Bank copy{bank.label + QStringLiteral(", sealed, through the keeper"),
                        bank.folder + QStringLiteral("-sealed"), true};
        sealed = sealed && QDir().mkpath(copy.folder) &&
                 QFile::copy(QDir(bank.folder).filePath(QStringLiteral("data.mdb")),
                             QDir(copy.folder).filePath(QStringLiteral("data.mdb"))) &&
                 sealBank(copy.folder);
        examBanks.push_back(copy);
    }
    if (!sealed) {
        std::fprintf(stderr, "cannot seal the banks in %s: %s\n", qPrintable(root.path()),
                     std::strerror(errno));
        return 1;
    }
    std::printf("Test run (pictures from %s)\n\n", qPrintable(appPath()));

    std::vector<ExamSeries> series(examBanks.size());
    for (int e = 0; e < exams; ++e)
        for (std::size_t b = 0; b < examBanks.size(); ++b)
            runExam(programFolder, examBanks[b], pauseMs, series[b]);
    bool ok = printSubmits(examBanks, series, exams, pauseMs);
    ok = benchDraws(drawTests) && ok;
    ok = benchOpening(banks, opens) && ok;
    ok = printMemory(examBanks, series) && ok;
    return ok ? 0 : 1;
}

int argument(int argc, char *argv[], int index, int fallback)
{
    return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // As the program: hiding or closing a window never quits.
    QApplication::setQuitOnLastWindowClosed(false);
    applyProgramLook(app);

    if (argc == 7 && std::strcmp(argv[1], "--exam") == 0)
        return examMode(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        QString::fromLocal8Bit(argv[4]), std::max(0, std::atoi(argv[5])),
                        std::strcmp(argv[6], "keeper") == 0);
    if (argc == 6 && std::strcmp(argv[1], "--open") == 0)
        return openMode(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        std::strcmp(argv[4], "check") == 0, std::max(1, std::atoi(argv[5])));
    return benchAll(argument(argc, argv, 1, 5), argument(argc, argv, 2, 200),
                    argument(argc, argv, 3, 20),
                    std::max(KeeperSpacingMs, argument(argc, argv, 4, KeeperSpacingMs)));
}
