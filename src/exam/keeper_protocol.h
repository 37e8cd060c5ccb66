#pragma once

#include "exam_session.h"
#include "keeper/channel.h"
#include "store/bank_check.h"

#include <QString>

#include <optional>
#include <vector>

class RuntimeError;

// The keeper's protocol, the one place its words are written: the descriptor the keeper is
// reached on, the requests of a run in their order, each with its fields, and the replies. The
// keeper and the exam window both build and read every message here; a message is fields framed
// as channel.h says, field 0 the verb in ASCII, numbers in plain decimal (Channel::plainDecimal),
// values as Channel::valueField writes them.
//
//   request                      reply
//   OPEN exam|demo, with the window's working folder (an O_PATH descriptor) passed with it
//                                OPENED lastId count (firstId picture) * count
//   REGISTER fullName (UTF-8)    ADMITTED | REPEAT 1|0 (the recorded attempt passed or not)
//   QUESTION                     QUESTION number question type answ1 answ2 answ3 answ4 picture
//   ANSWER code                  SCORED, after the 40th COUNTED rightCount
//   RECORD (exam, after the 40th)  RECORDED
//   any of them                  ERROR number description (the keeper's runtime error)
//
// A demonstration run has no REGISTER and no RECORD. After REPEAT, ERROR, the demonstration's
// COUNTED or RECORDED the run is over, and so is it after anything out of its place, which the
// keeper answers by closing the channel.
namespace KeeperProtocol {

using Channel::Message;

// Where the keeper's service listens (quorvane-keeper.socket), and the descriptor a connection is
// handed to each keeper on (SD_LISTEN_FDS_START).
inline constexpr char SocketPath[] = QUORVANE_KEEPER_SOCKET;
inline constexpr int ChannelFd = 3;
// The largest request the keeper takes: a verb and the longest full name (Rules::LongestFullName)
// fit in it with room to spare.
inline constexpr qsizetype LargestRequest = 4096;
// The largest reply the window takes: a question's texts, or the pictures of the largest bank.
inline constexpr qsizetype LargestReply = 1 << 22;

namespace Verb {
inline const QByteArray Open = QByteArrayLiteral("OPEN");
inline const QByteArray Opened = QByteArrayLiteral("OPENED");
inline const QByteArray Register = QByteArrayLiteral("REGISTER");
inline const QByteArray Admitted = QByteArrayLiteral("ADMITTED");
inline const QByteArray Repeat = QByteArrayLiteral("REPEAT");
inline const QByteArray Question = QByteArrayLiteral("QUESTION");
inline const QByteArray Answer = QByteArrayLiteral("ANSWER");
inline const QByteArray Scored = QByteArrayLiteral("SCORED");
inline const QByteArray Counted = QByteArrayLiteral("COUNTED");
inline const QByteArray Record = QByteArrayLiteral("RECORD");
inline const QByteArray Recorded = QByteArrayLiteral("RECORDED");
inline const QByteArray Error = QByteArrayLiteral("ERROR");
} // namespace Verb

// The requests, as the window sends them.
Message openRequest(bool examMode);
Message registerRequest(const QString &fullName);
Message questionRequest();
Message answerRequest(qint16 answerCode);
Message recordRequest();

// The requests, as the keeper reads them: none for a message that is not that request, with its
// fields as they must be.
std::optional<bool> examModeOf(const Message &request);
std::optional<QString> fullNameOf(const Message &request);
bool isQuestionRequest(const Message &request);
// The code of the ticked answers, 0 to 29.
std::optional<qint16> answerCodeOf(const Message &request);
bool isRecordRequest(const Message &request);

// The replies, as the keeper sends them.
Message openedReply(int lastId, const std::vector<BankPicture> &pictures);
Message admittedReply();
Message repeatReply(bool passed);
Message questionReply(int number, const QuestionValues &question);
Message scoredReply();
Message countedReply(int rightCount);
Message recordedReply();
Message errorReply(const RuntimeError &error);

// The replies, as the window reads them: none for one that is not that reply.
struct Opened
{
    int lastId = 0;
    // The pictures the questions show, for the window to check their files.
    std::vector<BankPicture> pictures;
};
std::optional<Opened> openedOf(const Message &reply);
// For ADMITTED none; for REPEAT whether the recorded attempt passed.
struct Registered
{
    bool admitted = false;
    bool passed = false;
};
std::optional<Registered> registeredOf(const Message &reply);
struct NumberedQuestion
{
    int number = 0;
    QuestionValues question;
};
std::optional<NumberedQuestion> questionOf(const Message &reply);
bool isScored(const Message &reply);
std::optional<int> countedOf(const Message &reply);
bool isRecorded(const Message &reply);
// The keeper's runtime error, whole: a number from 1 to 65535 and a description in UTF-8.
std::optional<RuntimeError> errorOf(const Message &reply);

} // namespace KeeperProtocol
