#pragma once

#include "exam/bank_session.h"
#include "keeper/channel.h"
#include "store/rules.h"

#include <QDateTime>

#include <functional>
#include <optional>

// What the keeper takes from its surroundings, given to it so that a test can fix each.
struct KeeperServices
{
    // The bank's services: opening the sealed bank, the draw's random numbers, the time of day,
    // the machine's name and the examinee's account for the journal.
    BankServices bank;
    // Seconds on a clock that only moves forward, and a wait of so many seconds on it.
    std::function<double()> monotonic;
    std::function<void(double seconds)> sleep;
    // Says a line on standard error, the service's log, for the staff.
    std::function<void(const QString &line)> tell;
    // Takes the workstation's one test for this session, or throws RuntimeError when another
    // session holds it. Called at the first request, before anything is written.
    std::function<void()> claimWorkstation;
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

    // When, on the monotonic clock, the next request must have come, or none while the session
    // may wait without limit (the examinee before «Начать тест»). Past it the keeper ends the
    // session between two requests, so that no statement is cut.
    std::optional<double> deadline() const;
    // The session's line for the log: account, mode, start, end, right answers.
    QString summary(const QString &account) const;

    // How much longer than the question's time an answer may take after its question was handed
    // over. The window's countdown is driven by ticks, which a stalled machine drops, so it may
    // still accept an answer when this clock says the time is long up: the limit only guards
    // against a window that was tampered with, with slack a loaded machine never reaches.
    static constexpr double AnswerSlackSeconds = 120;
    // How much longer the keeper waits for an answer than it would count one: an answer past its
    // limit is still scored, as wrong, and told; after this the session ends.
    static constexpr double AnswerWaitSeconds = 60;
    // The least time between two questions handed over, and between the 40th answer and its
    // count: a run takes 40 s at least, so the totals cannot read the key out quickly.
    static constexpr double QuestionSpacingSeconds = 1;
    // The time a connection has to send its first request.
    static constexpr double FirstRequestSeconds = 5;
    // The whole test's limit past its 40 questions' time, counted from the first question: the
    // sum of the questions' own limits, which a run within each never reaches.
    static constexpr double TestSlackSeconds = Rules::TestLength * AnswerSlackSeconds;

private:
    enum class State { Fresh, Opened, Ready, Asked, Counted, Ended };

    Channel::Message open(bool examMode);
    Channel::Message registerExaminee(const QString &fullName);
    Channel::Message question();
    Channel::Message answer(qint16 answerCode);
    Channel::Message record();
    // Waits until `seconds` have passed since `since` on the monotonic clock.
    void spaceFrom(double since, double seconds);

    KeeperServices m_services;
    BankSession m_bank;
    State m_state = State::Fresh;
    bool m_examMode = false;
    bool m_opened = false;
    double m_connectedAt;
    QDateTime m_startedAt;
    std::optional<double> m_firstQuestionAt;
    std::optional<double> m_handedAt;
    std::optional<int> m_count;
};
