#include "keeper_link.h"

#include "keeper_protocol.h"
#include "store/rules.h"
#include "store/file_descriptor.h"
#include "store/runtime_error.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Channel::Message;
using KeeperProtocol::ChannelFd;

RuntimeError notConnected(const QString &socket, int error)
{
    return RuntimeError(
        KeeperLink::Failed,
        QStringLiteral("Служба хранителя банка недоступна: нет соединения с %1 (%2). Банк "
                       "запечатан, и открыть его может только она. Администратору: запустите "
                       "её — systemctl enable --now quorvane-keeper.socket")
            .arg(socket, QString::fromLocal8Bit(std::strerror(error))));
}

// Writes a request with SIGPIPE held back: a keeper gone is an error to report, not the end of
// the window.
bool writeRequest(int fd, const Message &request, int passedFd)
{
    sigset_t pipe;
    sigset_t previous;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &previous);
    const bool written = Channel::writeMessage(fd, request, passedFd);
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

KeeperChild connectKeeper(const QString &socket)
{
    const QByteArray path = QFile::encodeName(socket);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        throw notConnected(socket, ENAMETOOLONG);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw notConnected(socket, errno);
    int result;
    do
        result = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (result < 0 && errno == EINTR);
    if (result < 0) {
        const int error = errno;
        ::close(fd);
        throw notConnected(socket, error);
    }
    return {fd, -1};
}

KeeperLink::KeeperLink(const QString &socket, const KeeperStart &start, PictureFiles pictureFiles)
    : m_program(socket), m_pictureFiles(std::move(pictureFiles)), m_child(start(socket))
{}

KeeperLink::~KeeperLink()
{
    release();
}

void KeeperLink::release()
{
    // The closed channel tells the keeper the run is over. It ends at once and lets go of the
    // workstation before its end of the channel closes: waiting for that, a next run started at
    // once finds the workstation free.
    if (m_child.fd >= 0) {
        ::shutdown(m_child.fd, SHUT_WR);
        pollfd channel{m_child.fd, POLLIN, 0};
        char byte;
        while (::poll(&channel, 1, 2000) > 0 && ::read(m_child.fd, &byte, 1) > 0) {
        }
        ::close(m_child.fd);
    }
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
    // The keeper serves the exam folder's bank only to a window running in it: the folder goes
    // with the first request, as the kernel names it.
    const FileDescriptor workingFolder(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (workingFolder.get() < 0)
        fail(request.front(), QStringLiteral("рабочая папка программы недоступна: %1")
                                  .arg(QString::fromLocal8Bit(std::strerror(errno))));
    const Message reply = ask(request, workingFolder.get());
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

Message KeeperLink::ask(const Message &request, int passedFd)
{
    const QByteArray &verb = request.front();
    if (!writeRequest(m_child.fd, request, passedFd))
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
    throw RuntimeError(Failed, QStringLiteral("Хранитель банка (служба у %1) не ответил на запрос %2: %3")
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
        return QStringLiteral("он закрыл соединение; причина записана в журнале службы: "
                              "journalctl -t quorvane-keeper");
    m_child.pid = -1;
    if (WIFSIGNALED(status))
        return QStringLiteral("он прерван сигналом %1").arg(WTERMSIG(status));
    return QStringLiteral("он завершил работу с кодом %1").arg(WEXITSTATUS(status));
}
