#pragma once

#include "channel.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/question_draw.h"

#include <QDateTime>

#include <functional>
#include <optional>
#include <vector>

// What the keeper takes from its surroundings, given to it so that a test can fix each.
struct KeeperServices
{
    // Opens the sealed bank (data.mdb); throws RuntimeError when it may not or cannot.
    std::function<Database()> openBank;
    // Seconds on a clock that only moves forward, and a wait of so many seconds on it.
    std::function<double()> monotonic;
    std::function<void(double seconds)> sleep;
    ReseededRandom random;
    // The time of day and the machine's name, as the journal records an attempt.
    std::function<QDateTime()> now;
    QString hostName;
};

// The bank's part of one exam or demonstration run, request by request. Each request is checked
// against the state the run is in; anything else ends the run. The other side learns the
// questions and the count of right answers, never a question's code.
class KeeperSession final
{
public:
    explicit KeeperSession(KeeperServices services);

    // The reply to a request; none when the keeper is to stop without a word. After a refusal
    // (ERROR) or the run's last reply, ended() is true and every further request stops it.
    std::optional<Channel::Message> handle(const Channel::Message &request);
    bool ended() const { return m_state == State::Ended; }

    // How long an answer may take after its question was handed over: the question's time and
    // a little for the window to send it.
    static constexpr double AnswerGraceSeconds = 5;
    // The least time between two questions handed over, so that the bank cannot be read out
    // question by question at the speed of the machine.
    static constexpr double QuestionSpacingSeconds = 0.3;

private:
    enum class State { Fresh, Opened, Ready, Asked, Ended };

    Channel::Message open(const Channel::Message &request);
    std::optional<Channel::Message> registerExaminee(const Channel::Message &request);
    Channel::Message question();
    std::optional<Channel::Message> answer(const Channel::Message &request);
    Channel::Message result();

    KeeperServices m_services;
    State m_state = State::Fresh;
    bool m_examMode = false;
    std::optional<Database> m_basa;
    int m_lastId = 0;
    std::vector<qint16> m_drawnIds;
    int m_questionNo = 0;
    int m_rightCount = 0;
    FieldValue m_rightCode = FieldValue::null();
    std::optional<double> m_handedAt;
    std::optional<Journal::Attempt> m_journalAttempt;
};
