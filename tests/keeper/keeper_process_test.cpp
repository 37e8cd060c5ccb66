#include "exam/keeper_link.h"
#include "keeper/channel.h"
#include "store/bank_file.h"
#include "support/bank_fixture.h"
#include "support/bank_question.h"
#include "support/keeper_service.h"
#include "support/sealed_folder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Channel::Message;

const uid_t KeeperUid = keeperUid();
const gid_t KeeperGid = keeperGid();

void becomeNobody()
{
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
        _exit(121);
}

// The keeper program with its connection on descriptor 3: started by the window, which makes
// the socket pair and starts it in the exam folder, or as a socket-activated service is started.
class KeeperProcess final
{
public:
    enum class Start { ByTheWindow, AsAService };

    KeeperProcess(const QString &folder, Start start)
    {
        const QString program = reachableCopy(QStringLiteral(QUORVANE_KEEPER_PATH));
        KeeperChild child;
        if (start == Start::AsAService) {
            child = startKeeperService(program, {}, folder, m_errors.filePath("stderr"));
        } else {
            const QString previous = QDir::currentPath();
            QDir::setCurrent(folder);
            child = startKeeper(program, geteuid() == 0 ? becomeNobody : nullptr);
            QDir::setCurrent(previous);
        }
        m_fd = child.fd;
        m_pid = child.pid;
    }
    ~KeeperProcess()
    {
        if (m_fd >= 0)
            close(m_fd);
        if (m_pid > 0)
            exitCode();
    }

    Message ask(const Message &request)
    {
        EXPECT_TRUE(Channel::writeMessage(m_fd, request));
        Message reply;
        EXPECT_EQ(Channel::readMessage(m_fd, 1 << 20, reply), Channel::Read::Message)
            << request.front().constData();
        return reply;
    }
    void send(const QByteArray &bytes)
    {
        EXPECT_EQ(write(m_fd, bytes.data(), bytes.size()), bytes.size());
    }
    void closeChannel() { shutdown(m_fd, SHUT_WR); }
    // Whether the keeper wrote anything more before it closed its end.
    bool saidMore()
    {
        char byte;
        return read(m_fd, &byte, 1) > 0;
    }
    int exitCode()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    QTemporaryDir m_errors;
    pid_t m_pid = -1;
    int m_fd = -1;
};

int rightCodeShown(const Message &question)
{
    const QString text = Channel::fieldValue(question.at(2))->asText();
    const int id = text.section(QLatin1Char(' '), 1).toInt();
    return BankFixture::questions(id).back().ball();
}

class KeeperProcessTest : public ::testing::TestWithParam<KeeperProcess::Start>
{};

TEST_P(KeeperProcessTest, TheKeeperProgramTakesAnExamOverItsSocketAndStopsWhenItCloses)
{
    QTemporaryDir folder;
    const QString bank = folder.filePath("data.mdb");
    writeBankFile(bank, BankFixture::questions(40));
    ASSERT_EQ(sealForKeeper(folder.path(), KeeperUid, KeeperGid), QString());

    KeeperProcess keeper(folder.path(), GetParam());
    const Message opened = keeper.ask({"OPEN", "exam"});
    ASSERT_GE(opened.size(), 3u) << opened.front().constData();
    EXPECT_EQ(opened[0], "OPENED");
    EXPECT_EQ(opened[1], "40");
    EXPECT_EQ(keeper.ask({"REGISTER", "Петрова Анна Ильинична"}), Message{"ADMITTED"});
    for (int n = 1; n <= 3; ++n) {
        const Message question = keeper.ask({"QUESTION"});
        ASSERT_EQ(question.size(), 9u);
        EXPECT_EQ(question[1], QByteArray::number(n));
        EXPECT_EQ(keeper.ask({"ANSWER", QByteArray::number(rightCodeShown(question))}),
                  Message{"SCORED"});
    }
    QFile file(bank);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray registered = file.readAll();
    file.close();
    EXPECT_TRUE(registered.contains(QStringLiteral("Петрова Анна Ильинична").toUtf8()));

    // The window goes away halfway: the keeper ends quietly and the record stays as registered.
    keeper.closeChannel();
    EXPECT_FALSE(keeper.saidMore());
    EXPECT_EQ(keeper.exitCode(), 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), registered);
    file.close();

    // A request too large to be one is not read at all: the keeper stops without a word.
    KeeperProcess flooded(folder.path(), GetParam());
    flooded.send(QByteArray("\0\0\x10\x01", 4) + QByteArray(4097, 'x'));
    EXPECT_FALSE(flooded.saidMore());
    EXPECT_EQ(flooded.exitCode(), 1);
}

// Descriptors passed to another process are not the keeper's to take: it refuses to start.
TEST(KeeperProcessTest, AServiceStartMeantForAnotherProcessIsRefused)
{
    QTemporaryDir folder;
    QTemporaryDir errors;
    const QString said = errors.filePath("stderr");
    const KeeperChild child = startKeeperService(
        reachableCopy(QStringLiteral(QUORVANE_KEEPER_PATH)), {}, folder.path(), said, false);
    ASSERT_GT(child.pid, 0);
    // A keeper that took the connection after all would wait for a request.
    close(child.fd);
    int status = 0;
    ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    QFile file(said);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains("LISTEN_FDS"));
}

INSTANTIATE_TEST_SUITE_P(Starts, KeeperProcessTest,
                         ::testing::Values(KeeperProcess::Start::ByTheWindow,
                                           KeeperProcess::Start::AsAService),
                         [](const auto &info) {
                             return info.param == KeeperProcess::Start::ByTheWindow ? "ByTheWindow"
                                                                                    : "AsAService";
                         });

} // namespace
