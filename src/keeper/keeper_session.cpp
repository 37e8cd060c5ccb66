#include "keeper_session.h"

#include "exam/keeper_protocol.h"
#include "store/journal_entry.h"
#include "store/rules.h"
#include "store/runtime_error.h"

using Channel::Message;
namespace Protocol = KeeperProtocol;

KeeperSession::KeeperSession(KeeperServices services)
    : m_services(std::move(services)), m_bank(m_services.bank, std::nullopt),
      m_connectedAt(m_services.monotonic()), m_startedAt(m_services.bank.now())
{}

std::optional<Message> KeeperSession::handle(const Message &request)
{
    if (request.empty())
        return std::nullopt;
    const State state = m_state;
    // Whatever comes now, the run goes no further unless the request is right for it.
    m_state = State::Ended;
    try {
        switch (state) {
        case State::Fresh:
            if (const std::optional<bool> examMode = Protocol::examModeOf(request))
                return open(*examMode);
            break;
        case State::Opened:
            if (const std::optional<QString> fullName = Protocol::fullNameOf(request))
                return registerExaminee(*fullName);
            break;
        case State::Ready:
            if (Protocol::isQuestionRequest(request))
                return question();
            break;
        case State::Asked:
            if (const std::optional<qint16> code = Protocol::answerCodeOf(request))
                return answer(*code);
            break;
        case State::Counted:
            if (Protocol::isRecordRequest(request))
                return record();
            break;
        case State::Ended:
            break;
        }
    } catch (const RuntimeError &error) {
        m_state = State::Ended;
        return Protocol::errorReply(error);
    }
    return std::nullopt;
}

std::optional<double> KeeperSession::deadline() const
{
    switch (m_state) {
    case State::Fresh:
        return m_connectedAt + FirstRequestSeconds;
    case State::Opened:
        return std::nullopt;
    case State::Ready:
    case State::Counted:
        break;
    case State::Asked:
        return std::min(*m_handedAt + Rules::QuestionSeconds + AnswerSlackSeconds +
                            AnswerWaitSeconds,
                        *m_firstQuestionAt + Rules::TestLength * Rules::QuestionSeconds +
                            TestSlackSeconds);
    case State::Ended:
        return m_connectedAt;
    }
    if (!m_firstQuestionAt)
        return std::nullopt;
    return *m_firstQuestionAt + Rules::TestLength * Rules::QuestionSeconds + TestSlackSeconds;
}

QString KeeperSession::summary(const QString &account) const
{
    const QString mode = !m_opened   ? QStringLiteral("не начат")
                         : m_examMode ? QStringLiteral("экзамен")
                                      : QStringLiteral("демонстрация");
    const QString right = m_count ? QString::number(*m_count)
                                  : QStringLiteral("нет (сеанс не дошёл до результата)");
    return QStringLiteral("сеанс: учётная запись %1, %2, начало %3, конец %4, вопросов задано %5, "
                          "верных ответов: %6")
        .arg(account, mode, Journal::timeText(m_startedAt),
             Journal::timeText(m_services.bank.now()))
        .arg(m_bank.run().Asked)
        .arg(right);
}

void KeeperSession::spaceFrom(double since, double seconds)
{
    const double passed = m_services.monotonic() - since;
    if (passed < seconds)
        m_services.sleep(seconds - passed);
}

Message KeeperSession::open(bool examMode)
{
    m_examMode = examMode;
    m_opened = true;
    // One test at a time: refused here, another session's refusal costs nothing.
    m_services.claimWorkstation();
    const int lastId = m_bank.open(examMode);
    m_state = examMode ? State::Opened : State::Ready;
    // The picture files are the window's to check, so it gets the pictures the questions name.
    return Protocol::openedReply(lastId, m_bank.pictures());
}

Message KeeperSession::registerExaminee(const QString &fullName)
{
    if (const std::optional<bool> passed = m_bank.registerExaminee(fullName))
        return Protocol::repeatReply(*passed);
    m_state = State::Ready;
    return Protocol::admittedReply();
}

Message KeeperSession::question()
{
    if (m_handedAt)
        spaceFrom(*m_handedAt, QuestionSpacingSeconds);
    const QuestionValues shown = m_bank.question();
    m_handedAt = m_services.monotonic();
    if (!m_firstQuestionAt)
        m_firstQuestionAt = m_handedAt;
    m_state = State::Asked;
    return Protocol::questionReply(m_bank.run().Asked, shown);
}

Message KeeperSession::answer(qint16 answerCode)
{
    // An answer far later than the question's time can only come from a window that was
    // tampered with: it gains nothing, and the staff are told.
    const double answeredAt = m_services.monotonic();
    const double since = answeredAt - *m_handedAt;
    const double limit = Rules::QuestionSeconds + AnswerSlackSeconds;
    if (since > limit) {
        m_services.tell(QStringLiteral("ответ на вопрос %1 пришёл через %2 с после вопроса, позже "
                                       "предела в %3 с: он засчитан как неверный")
                            .arg(m_bank.run().Asked)
                            .arg(since, 0, 'f', 1)
                            .arg(limit, 0, 'f', 0));
        m_bank.countAsWrong(answerCode, since);
    } else {
        m_bank.score(answerCode, since);
    }
    if (m_bank.run().Asked < Rules::TestLength) {
        m_state = State::Ready;
        return Protocol::scoredReply();
    }
    spaceFrom(answeredAt, QuestionSpacingSeconds);
    m_count = m_bank.rightCount();
    m_state = m_examMode ? State::Counted : State::Ended;
    return Protocol::countedReply(*m_count);
}

Message KeeperSession::record()
{
    m_bank.recordResult();
    return Protocol::recordedReply();
}
