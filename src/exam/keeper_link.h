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
// where the window knows it (a test's keeper, to tell what became of it), or -1.
struct KeeperChild
{
    int fd = -1;
    pid_t pid = -1;
};

// Connects to the keeper's service listening on `socket`, a Unix stream socket. Throws
// RuntimeError KeeperLink::Failed naming quorvane-keeper.socket when nothing listens there.
KeeperChild connectKeeper(const QString &socket);
// How the window comes by a keeper connected to it: connectKeeper, or a test's own.
using KeeperStart = std::function<KeeperChild(const QString &socket)>;

// The exam session of a sealed bank, run by its keeper: each step is one request and its reply
// (keeper_protocol.h), each reply checked against where the run is. The window learns what it
// shows and, after the 40th answer, the count of right answers; never a question's id or code.
// A reply out of turn, a closed channel or a keeper gone is error KeeperLink::Failed naming what
// happened; the keeper's own refusal (ERROR) is the error it gives.
class KeeperLink final : public ExamSession
{
public:
    static constexpr int Failed = 3051;

    // Connects to the keeper listening on `socket` with `start`. The files of the pictures the
    // bank names are checked in `pictureFiles`.
    KeeperLink(const QString &socket, const KeeperStart &start, PictureFiles pictureFiles);
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
    Channel::Message ask(const Channel::Message &request, int passedFd = -1);
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
