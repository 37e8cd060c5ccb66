#include "exam/keeper_link.h"
#include "keeper/channel.h"
#include "store/bank_file.h"
#include "support/bank_fixture.h"
#include "support/bank_question.h"
#include "support/keeper_service.h"
#include "support/sealed_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Channel::Message;

const QString Keeper = QStringLiteral(QUORVANE_KEEPER_PATH);
const QString TestClockKeeper = QStringLiteral(QUORVANE_TEST_CLOCK_KEEPER_PATH);

// One connection to a keeper, spoken to as the window speaks.
class Connection final
{
public:
    explicit Connection(KeeperChild child) : m_fd(child.fd), m_pid(child.pid) {}
    ~Connection()
    {
        if (m_fd >= 0)
            close(m_fd);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }

    // The first request, with the working folder `folder` passed as the window passes its own.
    Message open(const char *mode, const QString &folder)
    {
        const int passed = ::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY);
        EXPECT_TRUE(Channel::writeMessage(m_fd, {"OPEN", mode}, passed));
        ::close(passed);
        return reply();
    }
    Message ask(const Message &request)
    {
        EXPECT_TRUE(Channel::writeMessage(m_fd, request));
        return reply();
    }
    Message reply()
    {
        Message message;
        if (Channel::readMessage(m_fd, 1 << 20, message) != Channel::Read::Message)
            return {"(closed)"};
        return message;
    }
    void send(const QByteArray &bytes) { EXPECT_EQ(write(m_fd, bytes.data(), bytes.size()), bytes.size()); }
    void closeChannel() { shutdown(m_fd, SHUT_WR); }
    // Whether the keeper closed its end within `seconds` without another word.
    bool closedWithin(double seconds)
    {
        pollfd channel{m_fd, POLLIN, 0};
        char byte;
        return poll(&channel, 1, int(seconds * 1000)) == 1 && read(m_fd, &byte, 1) <= 0;
    }
    int exitCode()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    int m_fd;
    pid_t m_pid;
};

int rightCodeShown(const Message &question)
{
    const QString text = Channel::fieldValue(question.at(2))->asText();
    const int id = text.section(QLatin1Char(' '), 1).toInt();
    return BankFixture::questions(id).back().ball();
}

// A sealed exam folder and the keeper's service serving it.
class KeeperServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeBankFile(bank(), BankFixture::questions(40));
        // The keeper's account reads the test's clock from here.
        ASSERT_EQ(chmod(QFile::encodeName(logs.path()).constData(), 0755), 0);
        ASSERT_EQ(sealForKeeper(folder.path(), keeperUid(), keeperGid()), QString());
    }
    QString bank() const { return folder.filePath("data.mdb"); }
    QByteArray bankBytes() const
    {
        QFile file(bank());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString errors() const { return logs.filePath("stderr"); }
    QString said() const
    {
        QFile file(errors());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir folder;
    QTemporaryDir logs;
};

TEST_F(KeeperServiceTest, AnExamRunsOverAConnectionAndEndsWithTheLineForTheLog)
{
    KeeperService service(reachableCopy(Keeper), {}, folder.path());
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    Connection keeper(service.connect());
    const Message opened = keeper.open("exam", folder.path());
    ASSERT_GE(opened.size(), 3u) << opened.back().constData();
    EXPECT_EQ(opened[0], "OPENED");
    EXPECT_EQ(opened[1], "40");
    EXPECT_EQ(keeper.ask({"REGISTER", "Петрова Анна Ильинична"}), Message{"ADMITTED"});
    for (int n = 1; n <= 2; ++n) {
        const Message question = keeper.ask({"QUESTION"});
        ASSERT_EQ(question.size(), 9u);
        EXPECT_EQ(question[1], QByteArray::number(n));
        EXPECT_EQ(keeper.ask({"ANSWER", QByteArray::number(rightCodeShown(question))}),
                  Message{"SCORED"});
    }
    const QByteArray registered = bankBytes();
    EXPECT_TRUE(registered.contains(QStringLiteral("Петрова Анна Ильинична").toUtf8()));
    // The window goes away halfway: the keeper ends quietly, the record as registered, and the
    // log names who it was, by the kernel's word.
    keeper.closeChannel();
    EXPECT_TRUE(keeper.closedWithin(5));
    EXPECT_EQ(bankBytes(), registered);
    EXPECT_TRUE(service.logGets(QStringLiteral("сеанс: учётная запись ") + testAccount() +
                                QStringLiteral(", экзамен")))
        << service.log().toStdString();
    EXPECT_TRUE(service.log().contains(QStringLiteral("вопросов задано 2")));

    // A request too large to be one is not read at all: the keeper stops without a word.
    Connection flooded(service.connect());
    flooded.send(QByteArray("\0\0\x10\x01", 4) + QByteArray(4097, 'x'));
    EXPECT_TRUE(flooded.closedWithin(5));
}

// One test at a time on a workstation: a second session is refused at once and costs nothing;
// the first goes on.
TEST_F(KeeperServiceTest, ASecondSessionIsRefusedAndTheFirstGoesOn)
{
    KeeperService service(reachableCopy(TestClockKeeper), {logs.filePath("clock")},
                          folder.path());
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    Connection first(service.connect());
    ASSERT_EQ(first.open("exam", folder.path()).front(), "OPENED");
    const QByteArray before = bankBytes();
    Connection second(service.connect());
    const Message refused = second.open("demo", folder.path());
    ASSERT_EQ(refused.front(), "ERROR");
    EXPECT_EQ(refused.at(1), "3050");
    EXPECT_TRUE(QString::fromUtf8(refused.at(2)).contains("уже идёт другой тест"));
    EXPECT_EQ(bankBytes(), before);
    EXPECT_EQ(first.ask({"REGISTER", "Петрова Анна Ильинична"}), Message{"ADMITTED"});
    EXPECT_EQ(first.ask({"QUESTION"}).front(), "QUESTION");
    // Once the first is over the workstation is free again.
    first.closeChannel();
    ASSERT_TRUE(first.closedWithin(5));
    Connection third(service.connect());
    EXPECT_EQ(third.open("demo", folder.path()).front(), "OPENED");
}

// The keeper serves its own exam folder only, to a window running in it, and the folder is named
// by the descriptor the window passes, never by a path it says.
TEST_F(KeeperServiceTest, AWindowInAnotherFolderOrWithoutItsFolderIsRefused)
{
    KeeperService service(reachableCopy(Keeper), {}, folder.path());
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    QTemporaryDir elsewhere;
    writeBankFile(elsewhere.filePath("data.mdb"), BankFixture::questions(40));
    ASSERT_EQ(sealForKeeper(elsewhere.path(), keeperUid(), keeperGid()), QString());
    Connection wrong(service.connect());
    const Message refused = wrong.open("demo", elsewhere.path());
    ASSERT_EQ(refused.front(), "ERROR");
    EXPECT_EQ(refused.at(1), "3044");
    Connection without(service.connect());
    EXPECT_EQ(without.ask({"OPEN", "demo"}), Message{"(closed)"});
}

// Where logind runs, the examinee at the workstation's seat takes it from a session elsewhere (a
// window an earlier examinee left running, an ssh login), which ends; a session at the seat keeps
// it.
TEST_F(KeeperServiceTest, AnExamineeAtTheSeatTakesTheWorkstationFromASessionElsewhere)
{
    const QDir login(logs.filePath("login"));
    const auto write = [&](const QString &path, const QByteArray &text) {
        QDir().mkpath(QFileInfo(login.filePath(path)).path());
        QFile file(login.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    KeeperService service(reachableCopy(TestClockKeeper),
                          {logs.filePath("clock"), "--login-root", login.path()}, folder.path());
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    // The holder is a process of its own, so that its session can differ from the test's.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        Connection held(service.connect());
        const char opened = held.open("demo", folder.path()).front() == "OPENED" ? 'o' : 'x';
        ::write(ready[1], &opened, 1);
        _exit(held.closedWithin(20) ? 0 : 1);
    }
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, 'o');
    write(QStringLiteral("proc/%1/cgroup").arg(holder), "0::/user.slice/user-1001.slice/session-9.scope\n");
    write(QStringLiteral("proc/%1/cgroup").arg(getpid()),
          "0::/user.slice/user-1002.slice/session-c2.scope\n");

    write("run/systemd/seats/seat0", "# logind\nACTIVE=9\nACTIVE_UID=1001\n");
    Connection elsewhere(service.connect());
    EXPECT_EQ(elsewhere.open("demo", folder.path()).at(1), "3050");
    // Both at the seat (one examinee who started twice): the first keeps it.
    write(QStringLiteral("proc/%1/cgroup").arg(holder), "0::/user.slice/user-1002.slice/session-c2.scope\n");
    write("run/systemd/seats/seat0", "# logind\nACTIVE=c2\nACTIVE_UID=1002\n");
    Connection again(service.connect());
    EXPECT_EQ(again.open("demo", folder.path()).at(1), "3050");
    write(QStringLiteral("proc/%1/cgroup").arg(holder), "0::/user.slice/user-1001.slice/session-9.scope\n");

    write("run/systemd/seats/seat0", "# logind\nACTIVE=c2\nACTIVE_UID=1002\n");
    Connection atTheSeat(service.connect());
    EXPECT_EQ(atTheSeat.open("demo", folder.path()).front(), "OPENED");
    int status = -1;
    ASSERT_EQ(waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the holder was not ended";
    EXPECT_TRUE(service.logGets("уступает рабочее место")) << service.log().toStdString();
}

// Connections that never speak neither hold the workstation nor stop the service; each is
// dropped once its first request is late.
TEST_F(KeeperServiceTest, AFloodOfSilentConnectionsLeavesTheServiceServing)
{
    const QString clock = logs.filePath("clock");
    KeeperService service(reachableCopy(TestClockKeeper), {clock}, folder.path());
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    std::vector<std::unique_ptr<Connection>> silent;
    for (int i = 0; i < 40; ++i)
        silent.push_back(std::make_unique<Connection>(service.connect()));
    Connection served(service.connect());
    EXPECT_EQ(served.open("demo", folder.path()).front(), "OPENED");
    // The clock moves past each first request's time; a keeper the service started only after a
    // move sees the next.
    int moved = 0;
    const auto moveClock = [&] {
        QFile file(clock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(moved += 6));
    };
    for (const auto &connection : silent) {
        bool closed = false;
        for (int tries = 0; tries < 10 && !closed; ++tries) {
            moveClock();
            closed = connection->closedWithin(1.5);
        }
        ASSERT_TRUE(closed) << service.log().toStdString();
    }
    // The one that spoke is served still.
    EXPECT_EQ(served.ask({"QUESTION"}).front(), "QUESTION");
    EXPECT_TRUE(service.log().contains("не прислала запрос вовремя"));
}

// What an examinee could start by hand gets no bank: the keeper runs only as systemd starts it,
// clears what it inherits, and as another account cannot open the sealed bank anyway.
TEST_F(KeeperServiceTest, AKeeperStartedByHandIsRefusedOrGetsNoBank)
{
    const QString program = reachableCopy(Keeper);
    const auto exitOf = [&](const QStringList &environment, std::optional<uid_t> uid = {}) {
        Connection keeper(startKeeperByHand(program, {folder.path()}, folder.path(), errors(),
                                            environment, uid));
        keeper.closeChannel();
        return keeper.exitCode();
    };
    EXPECT_EQ(exitOf({}), 2);
    EXPECT_TRUE(said().contains("LISTEN_FDS=1"));
    EXPECT_EQ(exitOf({"LISTEN_FDS=1", "LISTEN_PID=1"}), 2);
    EXPECT_EQ(exitOf({"LISTEN_FDS=2", "LISTEN_PID=self"}), 2);
    Connection noFolder(startKeeperByHand(program, {}, folder.path(), errors(),
                                          {"LISTEN_FDS=1", "LISTEN_PID=self"}));
    EXPECT_EQ(noFolder.exitCode(), 2);
    if (geteuid() != 0)
        GTEST_SKIP() << "other accounts need the superuser to start a keeper as";
    EXPECT_EQ(exitOf({"LISTEN_FDS=1", "LISTEN_PID=self"}, 0), 2);
    EXPECT_TRUE(said().contains("суперпользователя"));

    // Another account, started as systemd would start it, cannot open the bank.
    Connection other(startKeeperByHand(program, {folder.path()}, folder.path(), errors(),
                                       {"LISTEN_FDS=1", "LISTEN_PID=self"}, 65533));
    const Message refused = other.open("exam", folder.path());
    EXPECT_EQ(refused.front(), "ERROR");

    // A set-uid or a set-gid copy, real and effective ids differing, is refused before anything.
    struct statvfs fileSystem
    {};
    ASSERT_EQ(statvfs(QFile::encodeName(logs.path()).constData(), &fileSystem), 0);
    if (fileSystem.f_flag & ST_NOSUID)
        GTEST_SKIP() << "the temporary folder is mounted nosuid";
    for (const mode_t mode : {04755, 02755}) {
        const QString setId = logs.filePath(QStringLiteral("set-id-keeper-%1").arg(mode, 0, 8));
        ASSERT_TRUE(QFile::copy(program, setId));
        ASSERT_EQ(chown(QFile::encodeName(setId).constData(), keeperUid(), keeperGid()), 0);
        ASSERT_EQ(chmod(QFile::encodeName(setId).constData(), mode), 0);
        QFile::remove(errors());
        Connection setIdKeeper(startKeeperByHand(setId, {folder.path()}, folder.path(), errors(),
                                                 {"LISTEN_FDS=1", "LISTEN_PID=self"}, 65533));
        EXPECT_EQ(setIdKeeper.exitCode(), 2) << std::oct << mode;
        EXPECT_TRUE(said().contains("set-id")) << said().toStdString();
    }
}

// The service's environment steers nothing: the keeper clears it (here the time zone, which
// would shift every time the journal and the log write).
TEST_F(KeeperServiceTest, TheEnvironmentGivenIsClearedBeforeAnythingReadsIt)
{
    if (QDateTime::currentDateTime().offsetFromUtc() == 12 * 3600)
        GTEST_SKIP() << "this machine's own time zone is +12:00";
    KeeperService service(reachableCopy(Keeper), {}, folder.path(),
                          {QStringLiteral("TZ=Asia/Kamchatka")});
    ASSERT_TRUE(service.listening()) << service.log().toStdString();
    Connection keeper(service.connect());
    ASSERT_EQ(keeper.open("demo", folder.path()).front(), "OPENED");
    keeper.closeChannel();
    ASSERT_TRUE(service.logGets(QStringLiteral("сеанс:")));
    EXPECT_FALSE(service.log().contains("+12:00")) << service.log().toStdString();
}

} // namespace
