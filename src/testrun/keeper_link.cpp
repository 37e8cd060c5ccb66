#include "keeper_link.h"

#include "store/rules.h"
#include "store/runtime_error.h"

#include <QFile>
#include <QStringDecoder>

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

constexpr int ChannelFd = 3;
// The largest reply taken: a question's texts, or the pictures of the largest bank.
constexpr qsizetype LargestReply = 1 << 22;

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

KeeperLink::KeeperLink(const QString &program, const KeeperStart &start)
    : m_program(program), m_child(start(program))
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

KeeperLink::Opened KeeperLink::open(bool examMode)
{
    const QByteArray verb("OPEN");
    const Message reply = ask({verb, examMode ? "exam" : "demo"});
    if (reply.front() != "OPENED" || reply.size() < 3)
        unexpected(verb, reply);
    const std::optional<int> lastId = Channel::plainDecimal(reply[1], 1, Rules::LargestBank);
    const std::optional<int> count = Channel::plainDecimal(reply[2], 0, Rules::LargestBank);
    if (!lastId || !count || reply.size() != 3 + 2 * std::size_t(*count))
        unexpected(verb, reply);
    Opened opened{*lastId, {}};
    for (std::size_t at = 3; at < reply.size(); at += 2) {
        const std::optional<int> firstId = Channel::plainDecimal(reply[at], 1, *lastId);
        const std::optional<FieldValue> value = Channel::fieldValue(reply[at + 1]);
        if (!firstId || !value)
            unexpected(verb, reply);
        opened.pictures.push_back({*firstId, *value});
    }
    return opened;
}

std::optional<bool> KeeperLink::registerExaminee(const QString &fullName)
{
    const QByteArray verb("REGISTER");
    const Message reply = ask({verb, fullName.toUtf8()});
    if (reply == Message{"ADMITTED"})
        return std::nullopt;
    if (reply.front() == "REPEAT" && reply.size() == 2 && (reply[1] == "0" || reply[1] == "1")) {
        release();
        return reply[1] == "1";
    }
    unexpected(verb, reply);
}

QuestionValues KeeperLink::question()
{
    const QByteArray verb("QUESTION");
    const Message reply = ask({verb});
    if (reply.front() != "QUESTION" || reply.size() != 2 + QuestionValues::Columns.size() ||
        reply[1] != QByteArray::number(m_asked + 1))
        unexpected(verb, reply);
    std::vector<FieldValue> fields;
    for (std::size_t k = 2; k < reply.size(); ++k) {
        const std::optional<FieldValue> value = Channel::fieldValue(reply[k]);
        if (!value)
            unexpected(verb, reply);
        fields.push_back(*value);
    }
    ++m_asked;
    QuestionValues values;
    values.question = fields[0];
    values.type = fields[1];
    for (std::size_t k = 0; k < values.answers.size(); ++k)
        values.answers[k] = fields[k + 2];
    values.picture = fields[6];
    return values;
}

std::optional<int> KeeperLink::answer(qint16 code)
{
    const QByteArray verb("ANSWER");
    const Message reply = ask({verb, QByteArray::number(code)});
    if (m_asked < Rules::TestLength) {
        if (reply != Message{"SCORED"})
            unexpected(verb, reply);
        return std::nullopt;
    }
    const std::optional<int> rightCount =
        reply.size() == 2 && reply[0] == "RESULT"
            ? Channel::plainDecimal(reply[1], 0, Rules::TestLength)
            : std::nullopt;
    if (!rightCount)
        unexpected(verb, reply);
    release();
    return rightCount;
}

Message KeeperLink::ask(const Message &request)
{
    const QByteArray &verb = request.front();
    if (!writeRequest(m_child.fd, request))
        fail(verb, fate());
    Message reply;
    errno = 0;
    const Channel::Read read = Channel::readMessage(m_child.fd, LargestReply, reply);
    // A keeper gone with the request unread resets the channel rather than closing it.
    if (read == Channel::Read::End || (read == Channel::Read::Refused && errno == ECONNRESET))
        fail(verb, fate());
    if (read == Channel::Read::Refused) {
        // Cut off or garbled, the run cannot go on: the keeper is told so by the closed channel.
        ::shutdown(m_child.fd, SHUT_RDWR);
        fail(verb, QStringLiteral("его ответ оборван или повреждён, %1").arg(fate()));
    }
    if (reply.front() == "ERROR") {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const std::optional<int> number =
            reply.size() == 3 ? Channel::plainDecimal(reply[1], 1, 65535) : std::nullopt;
        const QString description = utf8(reply.size() == 3 ? reply[2] : QByteArray());
        if (!number || utf8.hasError() || description.isEmpty())
            unexpected(verb, reply);
        throw RuntimeError(*number, description);
    }
    return reply;
}

void KeeperLink::fail(const QByteArray &verb, const QString &what)
{
    throw RuntimeError(Failed, QStringLiteral("Хранитель банка %1 не ответил на запрос %2: %3")
                                   .arg(m_program, QString::fromLatin1(verb), what));
}

void KeeperLink::unexpected(const QByteArray &verb, const Message &reply)
{
    fail(
        verb,
        QStringLiteral("вместо ответа пришло «%1»").arg(QString::fromUtf8(reply.front().left(40))));
}

// What became of a keeper that closed its channel: it has ended, or is about to.
QString KeeperLink::fate()
{
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = ::waitpid(m_child.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (reaped != m_child.pid)
        return QStringLiteral("канал закрыт");
    m_child.pid = -1;
    if (WIFSIGNALED(status))
        return QStringLiteral("он прерван сигналом %1").arg(WTERMSIG(status));
    return QStringLiteral("он завершил работу с кодом %1").arg(WEXITSTATUS(status));
}
