#pragma once

#include "exam/bank_session.h"
#include "keeper/channel.h"

#include <functional>
#include <optional>

// What the keeper takes from its surroundings, given to it so that a test can fix each.
struct KeeperServices
{
    // The bank's services: opening the sealed bank, the draw's random numbers, the time of day
    // and the machine's name for the journal.
    BankServices bank;
    // Seconds on a clock that only moves forward, and a wait of so many seconds on it.
    std::function<double()> monotonic;
    std::function<void(double seconds)> sleep;
    // Says a line on standard error, for the staff.
    std::function<void(const QString &line)> tell;
};

// The keeper's side of one exam or demonstration run: the bank's session (BankSession), served
// request by request (exam/keeper_protocol.h). Each request is checked against the state the run
// is in; anything else ends the run. The other side learns the questions and, after the 40th
// answer, the count of right answers, never a question's code.
class KeeperSession final
{
public:
    explicit KeeperSession(KeeperServices services);

    // The reply to a request; none when the keeper is to stop without a word. After a refusal
    // (ERROR) or the run's last reply, ended() is true and every further request stops it.
    std::optional<Channel::Message> handle(const Channel::Message &request);
    bool ended() const { return m_state == State::Ended; }

    // How much longer than the question's time an answer may take after its question was handed
    // over. The window's countdown is driven by ticks, which a stalled machine drops, so it may
    // still accept an answer when this clock says the time is long up: the limit only guards
    // against a window that was tampered with, with slack a loaded machine never reaches.
    static constexpr double AnswerSlackSeconds = 120;
    // The least time between two questions handed over, so that the bank cannot be read out
    // question by question at the speed of the machine.
    static constexpr double QuestionSpacingSeconds = 0.3;

private:
    enum class State { Fresh, Opened, Ready, Asked, Counted, Ended };

    Channel::Message open(bool examMode);
    Channel::Message registerExaminee(const QString &fullName);
    Channel::Message question();
    Channel::Message answer(qint16 answerCode);
    Channel::Message record();

    KeeperServices m_services;
    BankSession m_bank;
    State m_state = State::Fresh;
    bool m_examMode = false;
    std::optional<double> m_handedAt;
};
