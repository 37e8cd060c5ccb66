#include "keeper_process.h"

#include "exam/keeper_protocol.h"
#include "keeper_session.h"
#include "sealed_bank.h"
#include "store/database.h"
#include "store/engine_errors.h"
#include "store/file_descriptor.h"
#include "store/runtime_error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <random>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using KeeperProtocol::ChannelFd;

void say(const QString &line)
{
    std::fprintf(stderr, "quorvane-keeper: %s\n", line.toUtf8().constData());
}

[[noreturn]] void refuse(const char *why)
{
    std::fprintf(stderr, "quorvane-keeper: %s\n", why);
    std::_Exit(2);
}

// The keeper runs as the account its unit names, with every id the same: a set-id start (ids
// that differ) or the superuser, who could open any bank, is refused.
void checkIdentity()
{
    uid_t realUid, effectiveUid, savedUid;
    gid_t realGid, effectiveGid, savedGid;
    if (getresuid(&realUid, &effectiveUid, &savedUid) != 0 ||
        getresgid(&realGid, &effectiveGid, &savedGid) != 0)
        refuse("не удалось узнать учётную запись программы");
    if (realUid != effectiveUid || effectiveUid != savedUid || realGid != effectiveGid ||
        effectiveGid != savedGid)
        refuse("программа запущена с битом set-id; она работает только службой systemd "
               "(quorvane-keeper.socket)");
    if (effectiveUid == 0)
        refuse("программа не работает от имени суперпользователя");
}

// A service started for a connection is told so: one descriptor, its own process's.
void checkPassedDescriptors()
{
    const char *count = std::getenv("LISTEN_FDS");
    const char *pid = std::getenv("LISTEN_PID");
    if (!count || !pid || QByteArray(count) != "1" ||
        QByteArray(pid) != QByteArray::number(qint64(getpid())))
        refuse("соединение не передано так, как его передаёт systemd (LISTEN_FDS=1 и LISTEN_PID "
               "этого процесса); хранитель запускается только службой quorvane-keeper.socket");
    int domain = 0, type = 0;
    socklen_t size = sizeof domain;
    if (getsockopt(ChannelFd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0 || domain != AF_UNIX ||
        (size = sizeof type, getsockopt(ChannelFd, SOL_SOCKET, SO_TYPE, &type, &size) != 0) ||
        type != SOCK_STREAM)
        refuse("дескриптор 3 должен быть соединением локального потокового сокета");
}

// Nothing inherited is to steer the program: environment, signal dispositions, limits,
// descriptors and umask are set afresh.
void distrustInheritance()
{
    clearenv();
    setenv("PATH", "/usr/bin:/bin", 1);

    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig)
        std::signal(sig, SIG_DFL);
    for (int sig : {SIGPIPE, SIGXFSZ, SIGXCPU, SIGTTIN, SIGTTOU, SIGTSTP, SIGHUP, SIGINT, SIGQUIT})
        std::signal(sig, SIG_IGN);

    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // No core file and no tracing: the answer keys are in memory.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
            refuse("нет стандартных потоков");
    if (close_range(ChannelFd + 1, ~0U, 0) != 0)
        for (long fd = ChannelFd + 1, last = sysconf(_SC_OPEN_MAX); fd < last; ++fd)
            close(int(fd));
    umask(077);
}

// The peer as the kernel names it, never as it says: its process and account.
ucred peerCredentials()
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(ChannelFd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        refuse("не удалось узнать учётную запись на другом конце соединения");
    return peer;
}

QString accountOf(uid_t uid)
{
    const passwd *entry = getpwuid(uid);
    const QString name = entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("?");
    return QStringLiteral("%1 (uid %2)").arg(name).arg(uid);
}

// Stops the session between two requests: systemd's stop and RuntimeMaxSec send SIGTERM, which
// is held back while a statement runs and taken only while the keeper waits.
volatile sig_atomic_t stopRequested = 0;
// Another keeper, whose examinee sits at the workstation's seat, asks for the workstation.
volatile sig_atomic_t yieldAsked = 0;

void holdBackStop(sigset_t &waitMask)
{
    struct sigaction onStop
    {};
    onStop.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&onStop.sa_mask);
    sigaction(SIGTERM, &onStop, nullptr);
    struct sigaction onYield = onStop;
    onYield.sa_handler = [](int) { yieldAsked = 1; };
    sigaction(SIGUSR1, &onYield, nullptr);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGUSR1);
    sigprocmask(SIG_BLOCK, &stop, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGUSR1);
}

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void sleepSeconds(double seconds)
{
    const double until = monotonicSeconds() + seconds;
    for (double left = seconds; left > 0; left = until - monotonicSeconds()) {
        const timespec wait{time_t(left), long((left - double(time_t(left))) * 1e9)};
        nanosleep(&wait, nullptr);
    }
}

// The draw's generator, its whole state from the kernel's entropy.
std::mt19937_64 seededGenerator()
{
    std::array<std::uint32_t, std::mt19937_64::state_size * 2> words{};
    auto *bytes = reinterpret_cast<char *>(words.data());
    std::size_t got = 0;
    while (got < sizeof words) {
        const ssize_t n = getrandom(bytes + got, sizeof words - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            refuse("не удалось получить случайные числа от ядра");
        got += std::size_t(n);
    }
    std::seed_seq seed(words.begin(), words.end());
    return std::mt19937_64(seed);
}

// Where logind runs, the session active on seat 0 is the examinee at the workstation. A process
// belongs to a session by its cgroup (…/session-N.scope), as logind places it.
class LoginSeat final
{
public:
    // `seatFile`: logind's state of seat 0; `processes`: where each process's cgroup is read.
    LoginSeat(QString seatFile, QString processes)
        : m_seatFile(std::move(seatFile)), m_processes(std::move(processes))
    {}

    // Whether `pid` is in the session active at the seat; never where logind does not run.
    bool holds(pid_t pid) const
    {
        const QString active = valueOf(readText(m_seatFile), QStringLiteral("ACTIVE"));
        return !active.isEmpty() &&
               sessionOf(readText(QStringLiteral("%1/%2/cgroup").arg(m_processes).arg(pid))) ==
                   active;
    }

private:
    static QByteArray readText(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(1 << 16) : QByteArray();
    }
    static QString valueOf(const QByteArray &text, const QString &key)
    {
        for (const QByteArray &line : text.split('\n'))
            if (line.startsWith(key.toLatin1() + '='))
                return QString::fromLatin1(line.mid(key.size() + 1)).trimmed();
        return {};
    }
    static QString sessionOf(const QByteArray &cgroup)
    {
        const qsizetype at = cgroup.lastIndexOf("/session-");
        if (at < 0)
            return {};
        const qsizetype end = cgroup.indexOf(".scope", at);
        return end < 0 ? QString() : QString::fromLatin1(cgroup.mid(at + 9, end - at - 9));
    }

    QString m_seatFile;
    QString m_processes;
};

// The process holding the flock of `folder`, from the kernel's list of locks; 0 when none.
pid_t lockHolder(const struct stat &folder)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray file = QStringLiteral("%1:%2:%3")
                                .arg(major(folder.st_dev), 2, 16, QLatin1Char('0'))
                                .arg(minor(folder.st_dev), 2, 16, QLatin1Char('0'))
                                .arg(qulonglong(folder.st_ino))
                                .toLatin1();
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && fields[1] == "FLOCK" && fields[5] == file)
            return pid_t(fields[4].toInt());
    }
    return 0;
}

// The exam folder the unit names, and the window's own working folder passed with the first
// request: the keeper serves that folder's bank only, and only to a window running in it.
class ExamFolder final
{
public:
    explicit ExamFolder(const QString &path)
        : m_path(path), m_fd(open(QFile::encodeName(path).constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)),
          m_error(errno)
    {}

    void checkWindowRunsIn(int windowFolder) const
    {
        struct stat ours
        {};
        struct stat theirs
        {};
        if (m_fd.get() < 0 || fstat(m_fd.get(), &ours) != 0)
            throw EngineErrors::cannotOpen(
                m_path, QStringLiteral("папка экзамена недоступна хранителю (%1)")
                            .arg(QString::fromLocal8Bit(strerror(m_error))));
        if (fstat(windowFolder, &theirs) != 0 || !S_ISDIR(theirs.st_mode) ||
            theirs.st_dev != ours.st_dev || theirs.st_ino != ours.st_ino)
            throw RuntimeError(
                3044, QStringLiteral("Хранитель банка открывает только банк папки экзамена %1, а "
                                     "программа запущена в другой папке. Запускайте экзамен из "
                                     "меню, в папке экзамена")
                          .arg(m_path));
    }

    // One test at a time on the workstation: the lock lasts as long as this keeper. An examinee
    // at the workstation's seat takes it from a holder whose examinee is not there: the holder
    // is asked to end, and given a few seconds to, between two of its requests.
    void claim(const LoginSeat &seat, pid_t peer) const
    {
        if (flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0)
            return;
        struct stat folder
        {};
        if (seat.holds(peer) && fstat(m_fd.get(), &folder) == 0) {
            if (const pid_t holder = lockHolder(folder); holder > 0 && kill(holder, SIGUSR1) == 0)
                for (int tries = 0; tries < 60; ++tries) {
                    const timespec pause{0, 50'000'000};
                    nanosleep(&pause, nullptr);
                    if (flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0) {
                        say(QStringLiteral("рабочее место взято у сеанса не за местом "
                                           "экзаменуемого (процесс %1)")
                                .arg(holder));
                        return;
                    }
                }
        }
        throw RuntimeError(3050,
                           QStringLiteral("Не удаётся заблокировать файл базы данных «%1»: на "
                                          "этом рабочем месте уже идёт другой тест. Дождитесь "
                                          "его конца.")
                               .arg(bankPath()));
    }

    Database openBank(uid_t uid, gid_t gid) const
    {
        checkSealedBank(m_fd.get(), m_path, uid, gid);
        return DBEngine::OpenDatabase(bankPath());
    }

    QString bankPath() const { return QDir(m_path).filePath(QStringLiteral("data.mdb")); }

private:
    QString m_path;
    FileDescriptor m_fd;
    int m_error;
};

// Waits for the next request until `deadline` on the session's clock: false when the time ran
// out or the keeper was told to stop. The clock may be a test's, so the wait is re-measured
// at least once a second.
bool awaitRequest(const KeeperSession &session, const KeeperClock &clock, const sigset_t &mask,
                  const std::function<bool()> &peerAtTheSeat)
{
    for (;;) {
        if (stopRequested)
            return false;
        if (yieldAsked) {
            yieldAsked = 0;
            if (!peerAtTheSeat()) {
                say(QStringLiteral("уступает рабочее место экзаменуемому за ним: этот сеанс "
                                   "идёт не за местом экзаменуемого"));
                return false;
            }
        }
        double wait = 1;
        if (const std::optional<double> deadline = session.deadline()) {
            const double left = *deadline - clock.monotonic();
            if (left <= 0)
                return false;
            wait = std::min(wait, left);
        }
        pollfd channel{ChannelFd, POLLIN, 0};
        const timespec timeout{time_t(wait), long((wait - double(time_t(wait))) * 1e9)};
        const int ready = ppoll(&channel, 1, &timeout, &mask);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

KeeperClock systemClock()
{
    return {monotonicSeconds, sleepSeconds};
}

int runKeeper(const KeeperClock &clock, const QString &examFolder, const QString &loginRoot)
{
    checkIdentity();
    checkPassedDescriptors();
    distrustInheritance();
    sigset_t waitMask;
    holdBackStop(waitMask);
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    const ucred peer = peerCredentials();
    const QString account = accountOf(peer.uid);
    const LoginSeat seat(loginRoot + QStringLiteral("/run/systemd/seats/seat0"),
                         loginRoot + QStringLiteral("/proc"));
    // A message begun must come whole soon: a peer that stops halfway is not waited for.
    const timeval messageTime{10, 0};
    setsockopt(ChannelFd, SOL_SOCKET, SO_RCVTIMEO, &messageTime, sizeof messageTime);
    setsockopt(ChannelFd, SOL_SOCKET, SO_SNDTIMEO, &messageTime, sizeof messageTime);

    const ExamFolder folder(examFolder);
    // The draw only has to be uniform; seeded from the system's entropy, the order of the
    // questions cannot be foretold.
    std::mt19937_64 generator = seededGenerator();
    KeeperServices services{
        BankServices{
            [&folder, uid, gid] { return folder.openBank(uid, gid); },
            [&generator] { return std::generate_canonical<double, 53>(generator); },
            [] { return QDateTime::currentDateTime(); },
            QSysInfo::machineHostName(),
            account,
        },
        clock.monotonic,
        clock.sleep,
        say,
        [&folder, &seat, &peer] { folder.claim(seat, peer.pid); },
    };
    KeeperSession session(std::move(services));
    int status = 1;
    bool first = true;
    try {
        for (;;) {
            if (!awaitRequest(session, clock, waitMask,
                              [&seat, &peer] { return seat.holds(peer.pid); })) {
                say(stopRequested ? QStringLiteral("остановлен службой")
                                  : QStringLiteral("другая сторона не прислала запрос вовремя"));
                break;
            }
            Channel::Message request;
            FileDescriptor windowFolder;
            const Channel::Read read =
                first ? Channel::readMessage(ChannelFd, KeeperProtocol::LargestRequest, request,
                                             windowFolder)
                      : Channel::readMessage(ChannelFd, KeeperProtocol::LargestRequest, request);
            if (read == Channel::Read::End) {
                status = 0;
                break;
            }
            if (read == Channel::Read::Refused)
                break;
            std::optional<Channel::Message> reply;
            if (first) {
                first = false;
                try {
                    folder.checkWindowRunsIn(windowFolder.get());
                } catch (const RuntimeError &error) {
                    reply = KeeperProtocol::errorReply(error);
                }
            }
            if (!reply)
                reply = session.handle(request);
            if (!reply || !Channel::writeMessage(ChannelFd, *reply))
                break;
            if (reply->front() == KeeperProtocol::Verb::Error) {
                say(QString::fromUtf8(reply->back()));
                break;
            }
            if (session.ended()) {
                status = 0;
                break;
            }
        }
    } catch (const std::exception &) {
        status = 1;
    }
    say(session.summary(account));
    return status;
}

int runKeeperWithArguments(const KeeperClock &clock, int argc, char *argv[],
                           const QString &loginRoot)
{
    if (argc != 2 || argv[1][0] != '/') {
        std::fprintf(stderr, "quorvane-keeper: нужен один аргумент, полный путь папки экзамена\n");
        return 2;
    }
    return runKeeper(clock, QFile::decodeName(argv[1]), loginRoot);
}
