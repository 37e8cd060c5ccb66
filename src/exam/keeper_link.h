#pragma once

#include "exam_session.h"
#include "keeper/channel.h"
#include "picture_files.h"

#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>

// Whether data.mdb in the working folder is sealed from this account: it cannot read the file,
// so only the bank's keeper can open it.
bool bankIsSealed();

// A keeper connected to the window: the window's end of the connection, and the keeper's process
// when the window knows it (to tell what became of a keeper that went away), or -1.
struct KeeperChild
{
    int fd = -1;
    pid_t pid = -1;
};

// Starts the keeper `program` in the working folder with an empty environment, the other end of
// a new channel as its descriptor KeeperProtocol::ChannelFd and no other descriptor but the
// standard three. `inChild`, when given, runs in the child just before the program starts and
// may only make calls that are safe after fork. Throws RuntimeError when it cannot be started.
KeeperChild startKeeper(const QString &program, void (*inChild)() = nullptr);
// How the window comes by a keeper connected to it: startKeeper, or a test's own.
using KeeperStart = std::function<KeeperChild(const QString &program)>;

// The exam session of a sealed bank, run by its keeper: each step is one request and its reply
// (keeper_protocol.h), each reply checked against where the run is. The window learns what it
// shows and, after the 40th answer, the count of right answers; never a question's id or code.
// A reply out of turn, a closed channel or a keeper gone is error KeeperLink::Failed naming what
// happened; the keeper's own refusal (ERROR) is the error it gives.
class KeeperLink final : public ExamSession
{
public:
    static constexpr int Failed = 3051;

    // Starts the keeper `program` with `start`. The files of the pictures the bank names are
    // checked in `pictureFiles`.
    KeeperLink(const QString &program, const KeeperStart &start, PictureFiles pictureFiles);
    ~KeeperLink() override;
    KeeperLink(const KeeperLink &) = delete;
    KeeperLink &operator=(const KeeperLink &) = delete;

    int open(bool examMode) override;
    std::optional<bool> registerExaminee(const QString &fullName) override;
    QuestionValues question() override;
    void score(qint16 answerCode) override;
    // The keeper's count, told with the 40th answer.
    int rightCount() override;
    void recordResult() override;

private:
    Channel::Message ask(const Channel::Message &request);
    [[noreturn]] void fail(const QByteArray &verb, const QString &what);
    [[noreturn]] void unexpected(const Channel::Message &request, const Channel::Message &reply);
    QString fate();
    // Ends the channel and waits for the keeper, once its run is over.
    void release();

    QString m_program;
    PictureFiles m_pictureFiles;
    KeeperChild m_child;
    bool m_examMode = false;
    int m_asked = 0;
    std::optional<int> m_rightCount;
};
