#include "keeper_service.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

constexpr uid_t Nobody = 65534;

// The decimal text of `number` into `into`, without a call that is unsafe after fork.
void writeDecimal(char *into, long number)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (count > 0)
        *into++ = digits[--count];
    *into = '\0';
}

// Arguments as exec takes them: the strings kept in `storage`.
std::vector<char *> argumentVector(const QStringList &arguments, std::vector<std::string> &storage)
{
    for (const QString &argument : arguments)
        storage.push_back(QFile::encodeName(argument).toStdString());
    std::vector<char *> argv;
    for (std::string &arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

QString reachableCopy(const QString &program)
{
    static QTemporaryDir folder(QDir(QDir::tempPath()).filePath("quorvane-keeper-XXXXXX"));
    static QHash<QString, QString> copies;
    if (const auto found = copies.constFind(program); found != copies.cend())
        return *found;
    const QString copy =
        folder.filePath(QString::number(copies.size()) + "-" + QFileInfo(program).fileName());
    const QFileDevice::Permissions everyoneRuns = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther;
    if (!folder.isValid() || !QFile::copy(program, copy) ||
        !QFile::setPermissions(folder.path(), everyoneRuns) ||
        !QFile::setPermissions(copy, everyoneRuns))
        return {};
    copies.insert(program, copy);
    return copy;
}

uid_t keeperUid()
{
    return geteuid() == 0 ? Nobody : geteuid();
}

gid_t keeperGid()
{
    return geteuid() == 0 ? Nobody : getegid();
}

QString testAccount()
{
    const passwd *entry = getpwuid(getuid());
    return QStringLiteral("%1 (uid %2)")
        .arg(entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("?"))
        .arg(getuid());
}

pid_t runningProgram(const QString &program)
{
    const QByteArray wanted = QFile::encodeName(program) + '\0';
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (number && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(wanted))
            return pid;
    }
    return -1;
}

KeeperService::KeeperService(const QString &program, const QStringList &arguments,
                             const QString &examFolder, const QStringList &environment)
    : m_folder(QDir(QDir::tempPath()).filePath("quorvane-service-XXXXXX"))
{
    // The keepers run as another account, which must reach the socket and write the log.
    if (chmod(QFile::encodeName(m_folder.path()).constData(), 0777) != 0)
        return;
    QStringList command{QStringLiteral("systemd-socket-activate"), QStringLiteral("--accept"),
                        QStringLiteral("--listen=") + socket()};
    for (const QString &variable : environment)
        command << QStringLiteral("--setenv=") + variable;
    if (geteuid() == 0)
        command << QStringLiteral("setpriv") << QStringLiteral("--reuid=%1").arg(keeperUid())
                << QStringLiteral("--regid=%1").arg(keeperGid()) << QStringLiteral("--init-groups");
    command << program << arguments << examFolder;
    std::vector<std::string> storage;
    std::vector<char *> argv = argumentVector(command, storage);
    const QByteArray log = QFile::encodeName(m_folder.filePath(QStringLiteral("log")));
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // A test that dies takes its service with it: left behind, it would hold the test's
        // output open, and whoever waits for that output would wait for ever.
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
            _exit(119);
        const int error = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0666);
        if (error < 0 || dup2(error, 1) != 1 || dup2(error, 2) != 2)
            _exit(120);
        close_range(3, ~0U, 0);
        execvp(argv[0], argv.data());
        _exit(122);
    }
    // Listening once the socket is there; everyone may connect, as the unit's SocketMode says.
    QElapsedTimer waited;
    waited.start();
    const QByteArray path = QFile::encodeName(socket());
    while (access(path.constData(), F_OK) != 0 && waited.elapsed() < 10000)
        QThread::msleep(5);
    m_listening = chmod(path.constData(), 0666) == 0;
}

KeeperService::~KeeperService()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

QString KeeperService::log() const
{
    QFile file(m_folder.filePath(QStringLiteral("log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool KeeperService::logGets(const QString &text, double seconds) const
{
    QElapsedTimer waited;
    waited.start();
    while (!log().contains(text)) {
        if (waited.elapsed() > seconds * 1000)
            return false;
        QThread::msleep(10);
    }
    return true;
}

KeeperChild startKeeperByHand(const QString &program, const QStringList &arguments,
                              const QString &examFolder, const QString &errorFile,
                              const QStringList &environment, std::optional<uid_t> asUid)
{
    std::vector<std::string> storage;
    std::vector<char *> argv = argumentVector(QStringList{program} + arguments, storage);
    std::vector<std::string> variables;
    std::vector<char *> envp = argumentVector(environment, variables);
    const QByteArray folder = QFile::encodeName(examFolder);
    const QByteArray errors = QFile::encodeName(errorFile);
    const bool asSuperuser = geteuid() == 0;
    const uid_t uid = asUid.value_or(keeperUid());
    const gid_t gid = asUid ? gid_t(*asUid) : keeperGid();

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls safe between fork and exec.
        char listenPid[40] = "LISTEN_PID=";
        writeDecimal(listenPid + 11, long(getpid()));
        for (char *&variable : envp)
            if (variable && std::string_view(variable) == "LISTEN_PID=self")
                variable = listenPid;
        const int error = open(errors.constData(), O_WRONLY | O_CREAT | O_APPEND, 0666);
        if (error < 0 || dup2(error, 2) != 2 || dup2(fds[1], 3) != 3 ||
            chdir(folder.constData()) != 0)
            _exit(120);
        close_range(4, ~0U, 0);
        if (asSuperuser && uid != 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(121);
        execve(argv[0], argv.data(), envp.data());
        _exit(122);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }
    return {fds[0], pid};
}
