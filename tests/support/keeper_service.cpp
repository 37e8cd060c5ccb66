#include "keeper_service.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
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
    EXPECT_TRUE(folder.isValid() && QFile::copy(program, copy) &&
                QFile::setPermissions(folder.path(), everyoneRuns) &&
                QFile::setPermissions(copy, everyoneRuns))
        << program.toStdString() << " -> " << copy.toStdString();
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

KeeperChild startKeeperService(const QString &program, const QStringList &arguments,
                               const QString &examFolder, const QString &errorFile, bool ownPid)
{
    const pid_t parent = getpid();
    std::vector<std::string> args{QFile::encodeName(program).toStdString()};
    for (const QString &argument : arguments)
        args.push_back(QFile::encodeName(argument).toStdString());
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(examFolder);
    const QByteArray errors = QFile::encodeName(errorFile);
    const bool asSuperuser = geteuid() == 0;
    const uid_t uid = keeperUid();
    const gid_t gid = keeperGid();

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls safe between fork and exec.
        char listenPid[40] = "LISTEN_PID=";
        writeDecimal(listenPid + 11, long(ownPid ? getpid() : parent));
        char listenFds[] = "LISTEN_FDS=1";
        char *environment[] = {listenFds, listenPid, nullptr};
        const int error = open(errors.constData(), O_WRONLY | O_CREAT | O_APPEND, 0666);
        if (error < 0 || dup2(error, 2) != 2 || dup2(fds[1], 3) != 3 ||
            chdir(folder.constData()) != 0)
            _exit(120);
        close_range(4, ~0U, 0);
        if (asSuperuser && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(121);
        execve(argv[0], argv.data(), environment);
        _exit(122);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }
    return {fds[0], pid};
}
