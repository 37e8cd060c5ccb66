#include "keeper_process.h"

#include "exam/keeper_protocol.h"
#include "keeper_session.h"
#include "sealed_bank.h"
#include "store/database.h"
#include "store/runtime_error.h"

#include <QByteArray>
#include <QDir>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using KeeperProtocol::ChannelFd;

[[noreturn]] void refuse(const char *why)
{
    std::fprintf(stderr, "quorvane-keeper: %s\n", why);
    std::_Exit(2);
}

// Takes on the account the program is set-id to, for every id, so that nothing it creates (the
// engine's journal) belongs to whoever started it and nothing can switch back.
void becomeKeeper()
{
    const gid_t gid = getegid();
    const uid_t uid = geteuid();
    if (uid == 0)
        refuse("программа не работает от имени суперпользователя");
    if (setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0)
        refuse("не удалось перейти на учётную запись программы");
}

// A service started for a connection is told so: one descriptor, its own process's. Anything
// else that speaks of descriptors passed is refused; without it descriptor 3 is the window's.
void checkPassedDescriptors()
{
    const char *count = std::getenv("LISTEN_FDS");
    const char *pid = std::getenv("LISTEN_PID");
    if (!count && !pid)
        return;
    if (!count || !pid || QByteArray(count) != "1" ||
        QByteArray(pid) != QByteArray::number(qint64(getpid())))
        refuse("LISTEN_FDS и LISTEN_PID должны передавать один дескриптор этому процессу");
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
    // No core file and no tracing by the account that started it: the answer keys are in memory.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
            refuse("нет стандартных потоков");
    struct stat channel
    {};
    if (fstat(ChannelFd, &channel) != 0 || !S_ISSOCK(channel.st_mode))
        refuse("дескриптор 3 должен быть сокетом канала");
    if (close_range(ChannelFd + 1, ~0U, 0) != 0)
        for (long fd = ChannelFd + 1, last = sysconf(_SC_OPEN_MAX); fd < last; ++fd)
            close(int(fd));
    umask(077);
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

Database openSealedBank(uid_t uid, gid_t gid)
{
    const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        throw RuntimeError(76, QStringLiteral("Рабочая папка банка недоступна"));
    try {
        checkSealedBank(folder, QDir::currentPath(), uid, gid);
    } catch (...) {
        close(folder);
        throw;
    }
    close(folder);
    return DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
}

} // namespace

KeeperClock systemClock()
{
    return {monotonicSeconds, sleepSeconds};
}

int runKeeper(const KeeperClock &clock)
{
    becomeKeeper();
    checkPassedDescriptors();
    distrustInheritance();
    const uid_t uid = geteuid();
    const gid_t gid = getegid();

    // The draw only has to be uniform; seeded from the system's entropy, the order of the
    // questions cannot be foretold from the time the test starts.
    std::mt19937_64 generator{std::random_device{}()};
    KeeperServices services{
        BankServices{
            [uid, gid] { return openSealedBank(uid, gid); },
            [&generator] { return std::generate_canonical<double, 53>(generator); },
            [] { return QDateTime::currentDateTime(); },
            QSysInfo::machineHostName(),
        },
        clock.monotonic,
        clock.sleep,
        [](const QString &line) {
            std::fprintf(stderr, "quorvane-keeper: %s\n", line.toUtf8().constData());
        },
    };
    KeeperSession session(std::move(services));
    try {
        for (;;) {
            Channel::Message request;
            switch (Channel::readMessage(ChannelFd, KeeperProtocol::LargestRequest, request)) {
            case Channel::Read::End:
                return 0;
            case Channel::Read::Refused:
                return 1;
            case Channel::Read::Message:
                break;
            }
            const std::optional<Channel::Message> reply = session.handle(request);
            if (!reply || !Channel::writeMessage(ChannelFd, *reply))
                return 1;
            if (session.ended())
                return reply->front() == KeeperProtocol::Verb::Error ? 1 : 0;
        }
    } catch (const std::exception &) {
        return 1;
    }
}
