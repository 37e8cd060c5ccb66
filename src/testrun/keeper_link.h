#pragma once

#include "keeper/channel.h"
#include "panel/question_values.h"
#include "store/bank_check.h"

#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

// Whether data.mdb in the working folder is sealed from this account: it cannot read the file,
// so only the bank's keeper can open it.
bool bankIsSealed();

// A keeper started for the window: the window's end of its channel and its process.
struct KeeperChild
{
    int fd = -1;
    pid_t pid = -1;
};

// Starts the keeper `program` in the working folder with an empty environment, the other end of
// a new channel as its descriptor 3 and no other descriptor but the standard three. `inChild`,
// when given, runs in the child just before the program starts and may only make calls that are
// safe after fork. Throws RuntimeError when it cannot be started.
KeeperChild startKeeper(const QString &program, void (*inChild)() = nullptr);
using KeeperStart = std::function<KeeperChild(const QString &program)>;

// The window's side of the keeper's protocol: one request, one reply, each reply checked against
// where the run is. A reply out of turn, a closed channel or a keeper gone is error
// KeeperLink::Failed naming what happened; the keeper's own refusal (ERROR) is the error it
// gives.
class KeeperLink final
{
public:
    static constexpr int Failed = 3051;

    KeeperLink(const QString &program, const KeeperStart &start);
    ~KeeperLink();
    KeeperLink(const KeeperLink &) = delete;
    KeeperLink &operator=(const KeeperLink &) = delete;

    struct Opened
    {
        int lastId = 0;
        // The pictures the questions show, for the window to check their files.
        std::vector<BankPicture> pictures;
    };
    Opened open(bool examMode);
    // Records the examinee: none when admitted; for a name already recorded, whether that
    // attempt passed, and the keeper has ended the run.
    std::optional<bool> registerExaminee(const QString &fullName);
    // The next question drawn by the keeper.
    QuestionValues question();
    // Hands over the answer's code: after the last question the count of right answers, which
    // the keeper has recorded in an exam; none before.
    std::optional<int> answer(qint16 code);

private:
    Channel::Message ask(const Channel::Message &request);
    [[noreturn]] void fail(const QByteArray &verb, const QString &what);
    [[noreturn]] void unexpected(const QByteArray &verb, const Channel::Message &reply);
    QString fate();
    // Ends the channel and waits for the keeper, once its run is over.
    void release();

    QString m_program;
    KeeperChild m_child;
    int m_asked = 0;
};
