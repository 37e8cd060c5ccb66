#include "keeper_link.h"

#include "keeper_protocol.h"
#include "store/rules.h"
#include "store/runtime_error.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Channel::Message;
using KeeperProtocol::ChannelFd;

RuntimeError notStarted(const QString &program, int error)
{
    return RuntimeError(KeeperLink::Failed,
                        QStringLiteral("Не удалось запустить хранитель банка %1: %2")
                            .arg(program, QString::fromLocal8Bit(std::strerror(error))));
}

// Writes a request with SIGPIPE held back: a keeper gone is an error to report, not the end of
// the window.
bool writeRequest(int fd, const Message &request)
{
    sigset_t pipe;
    sigset_t previous;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &previous);
    const bool written = Channel::writeMessage(fd, request);
    if (!written && !sigismember(&previous, SIGPIPE)) {
        const timespec none{};
        sigtimedwait(&pipe, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

} // namespace

bool bankIsSealed()
{
    return ::access("data.mdb", R_OK) != 0 && errno == EACCES;
}

KeeperChild startKeeper(const QString &program, void (*inChild)())
{
    const QByteArray path = QFile::encodeName(program);
    if (::access(path.constData(), X_OK) != 0)
        throw notStarted(program, errno);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        throw notStarted(program, errno);
    char *const argv[] = {const_cast<char *>(path.constData()), nullptr};
    char *const noEnvironment[] = {nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls safe after fork from here on. The channel's end loses close-on-exec as it
        // becomes descriptor 3; every other descriptor of the window is closed.
        const bool placed = fds[1] == ChannelFd ? ::fcntl(ChannelFd, F_SETFD, 0) == 0
                                                : ::dup2(fds[1], ChannelFd) == ChannelFd;
        if (!placed)
            _exit(127);
        if (::close_range(ChannelFd + 1, ~0U, 0) != 0)
            for (long fd = ChannelFd + 1, last = ::sysconf(_SC_OPEN_MAX); fd < last; ++fd)
                ::close(int(fd));
        if (inChild)
            inChild();
        ::execve(argv[0], argv, noEnvironment);
        _exit(127);
    }
    const int error = errno;
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        throw notStarted(program, error);
    }
    return {fds[0], pid};
}

KeeperLink::KeeperLink(const QString &program, const KeeperStart &start, PictureFiles pictureFiles)
    : m_program(program), m_pictureFiles(std::move(pictureFiles)), m_child(start(program))
{}

KeeperLink::~KeeperLink()
{
    release();
}

void KeeperLink::release()
{
    // The closed channel tells the keeper the run is over; it ends at once, and is reaped here
    // rather than left a zombie for the rest of the program's run.
    if (m_child.fd >= 0)
        ::close(m_child.fd);
    m_child.fd = -1;
    if (m_child.pid > 0)
        while (::waitpid(m_child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    m_child.pid = -1;
}

int KeeperLink::open(bool examMode)
{
    m_examMode = examMode;
    const Message request = KeeperProtocol::openRequest(examMode);
    const Message reply = ask(request);
    const std::optional<KeeperProtocol::Opened> opened = KeeperProtocol::openedOf(reply);
    if (!opened)
        unexpected(request, reply);
    // The keeper checked what it can see; the picture files are read here, where they are shown.
    checkPictureFiles(QDir::current().absoluteFilePath(QStringLiteral("data.mdb")),
                      opened->pictures, m_pictureFiles);
    return opened->lastId;
}

std::optional<bool> KeeperLink::registerExaminee(const QString &fullName)
{
    // Refused here as the bank's session refuses it, before a request the keeper could not take.
    refuseLongFullName(fullName);
    const Message request = KeeperProtocol::registerRequest(fullName);
    const Message reply = ask(request);
    const std::optional<KeeperProtocol::Registered> registered =
        KeeperProtocol::registeredOf(reply);
    if (!registered)
        unexpected(request, reply);
    if (registered->admitted)
        return std::nullopt;
    release();
    return registered->passed;
}

QuestionValues KeeperLink::question()
{
    const Message request = KeeperProtocol::questionRequest();
    const Message reply = ask(request);
    const std::optional<KeeperProtocol::NumberedQuestion> shown = KeeperProtocol::questionOf(reply);
    if (!shown || shown->number != m_asked + 1)
        unexpected(request, reply);
    ++m_asked;
    return shown->question;
}

void KeeperLink::score(qint16 answerCode)
{
    const Message request = KeeperProtocol::answerRequest(answerCode);
    const Message reply = ask(request);
    if (m_asked < Rules::TestLength) {
        if (!KeeperProtocol::isScored(reply))
            unexpected(request, reply);
        return;
    }
    m_rightCount = KeeperProtocol::countedOf(reply);
    if (!m_rightCount)
        unexpected(request, reply);
    if (!m_examMode)
        release();
}

int KeeperLink::rightCount()
{
    if (!m_rightCount)
        throw std::logic_error("the keeper tells the count after the 40th answer");
    return *m_rightCount;
}

void KeeperLink::recordResult()
{
    const Message request = KeeperProtocol::recordRequest();
    const Message reply = ask(request);
    if (!KeeperProtocol::isRecorded(reply))
        unexpected(request, reply);
    release();
}

Message KeeperLink::ask(const Message &request)
{
    const QByteArray &verb = request.front();
    if (!writeRequest(m_child.fd, request))
        fail(verb, fate());
    Message reply;
    errno = 0;
    const Channel::Read read =
        Channel::readMessage(m_child.fd, KeeperProtocol::LargestReply, reply);
    // A keeper gone with the request unread resets the channel rather than closing it.
    if (read == Channel::Read::End || (read == Channel::Read::Refused && errno == ECONNRESET))
        fail(verb, fate());
    if (read == Channel::Read::Refused) {
        // Cut off or garbled, the run cannot go on: the keeper is told so by the closed channel.
        ::shutdown(m_child.fd, SHUT_RDWR);
        fail(verb, QStringLiteral("его ответ оборван или повреждён, %1").arg(fate()));
    }
    if (reply.front() == KeeperProtocol::Verb::Error) {
        if (std::optional<RuntimeError> error = KeeperProtocol::errorOf(reply))
            throw *error;
        unexpected(request, reply);
    }
    return reply;
}

void KeeperLink::fail(const QByteArray &verb, const QString &what)
{
    throw RuntimeError(Failed, QStringLiteral("Хранитель банка %1 не ответил на запрос %2: %3")
                                   .arg(m_program, QString::fromLatin1(verb), what));
}

void KeeperLink::unexpected(const Message &request, const Message &reply)
{
    fail(
        request.front(),
        QStringLiteral("вместо ответа пришло «%1»").arg(QString::fromUtf8(reply.front().left(40))));
}

// What became of a keeper that closed its channel: it has ended, or is about to.
QString KeeperLink::fate()
{
    int status = 0;
    pid_t reaped = -1;
    while (m_child.pid > 0 && (reaped = ::waitpid(m_child.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (m_child.pid <= 0 || reaped != m_child.pid)
        return QStringLiteral("канал закрыт");
    m_child.pid = -1;
    if (WIFSIGNALED(status))
        return QStringLiteral("он прерван сигналом %1").arg(WTERMSIG(status));
    return QStringLiteral("он завершил работу с кодом %1").arg(WEXITSTATUS(status));
}
