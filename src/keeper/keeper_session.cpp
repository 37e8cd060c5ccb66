#include "keeper_session.h"

#include "store/bank_check.h"
#include "store/rules.h"
#include "store/runtime_error.h"
#include "store/statements.h"

#include <QStringDecoder>

namespace {

using Channel::Message;

Message reply(const char *verb, std::initializer_list<QByteArray> fields = {})
{
    Message message{QByteArray(verb)};
    message.insert(message.end(), fields);
    return message;
}

QByteArray decimal(int number)
{
    return QByteArray::number(number);
}

// The answer code as the window sends it: 0 to 29 in plain decimal, nothing else.
std::optional<qint16> answerCodeOf(const QByteArray &field)
{
    const std::optional<int> code = Channel::plainDecimal(field, 0, 29);
    if (!code)
        return std::nullopt;
    return static_cast<qint16>(*code);
}

} // namespace

KeeperSession::KeeperSession(KeeperServices services) : m_services(std::move(services))
{}

std::optional<Message> KeeperSession::handle(const Message &request)
{
    if (request.empty())
        return std::nullopt;
    const QByteArray &verb = request.front();
    const State state = m_state;
    // Whatever comes now, the run goes no further unless the request is right for it.
    m_state = State::Ended;
    try {
        if (state == State::Fresh && verb == "OPEN" && request.size() == 2 &&
            (request[1] == "exam" || request[1] == "demo"))
            return open(request);
        if (state == State::Opened && verb == "REGISTER" && request.size() == 2)
            return registerExaminee(request);
        if (state == State::Ready && verb == "QUESTION" && request.size() == 1)
            return question();
        if (state == State::Asked && verb == "ANSWER" && request.size() == 2)
            return answer(request);
    } catch (const RuntimeError &error) {
        m_state = State::Ended;
        return reply("ERROR", {decimal(error.number()), error.description().toUtf8()});
    }
    return std::nullopt;
}

Message KeeperSession::open(const Message &request)
{
    m_examMode = request[1] == "exam";
    m_basa = m_services.openBank();
    Recordset questions = m_basa->OpenRecordset(Statements::SelectQuestions);
    questions.MoveLast();
    // The bank is refused for what the keeper can see; the picture files are the window's to
    // check, so it gets the pictures the questions name.
    const BankInspection inspection =
        inspectBankValues(*m_basa, questions.Fields(QStringLiteral("id")));
    if (!inspection.problems.isEmpty())
        throw bankRefusal(m_basa->path(), inspection.problems.front());
    m_lastId = inspection.lastId;
    m_drawnIds.assign(static_cast<std::size_t>(m_lastId) + 2, 0);

    Message opened = reply("OPENED", {decimal(m_lastId), decimal(int(inspection.pictures.size()))});
    for (const BankPicture &picture : inspection.pictures) {
        opened.push_back(decimal(picture.firstId));
        opened.push_back(Channel::valueField(picture.value));
    }
    m_state = m_examMode ? State::Opened : State::Ready;
    return opened;
}

std::optional<Message> KeeperSession::registerExaminee(const Message &request)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = utf8(request[1]);
    if (utf8.hasError() || name.trimmed().isEmpty())
        return std::nullopt;

    std::optional<Message> outcome;
    // The name is compared and the new one written in one transaction: no second keeper can
    // register between the two.
    m_basa->WriteTransaction([&] {
        Recordset users = m_basa->OpenRecordset(Statements::SelectUsers);
        checkAttemptRecord(*m_basa, users.Fields(QStringLiteral("id")));
        if (equalsText(users.Fields(QStringLiteral("username")), name)) {
            outcome =
                reply("REPEAT", {recordsPass(users.Fields(QStringLiteral("chek"))) ? "1" : "0"});
            return;
        }
        std::optional<Database::Change> journal;
        if (m_basa->HasTable(Journal::Table)) {
            m_journalAttempt =
                Journal::Attempt{name, m_services.now(), m_lastId, m_services.hostName};
            journal = Journal::start(*m_journalAttempt);
        }
        m_basa->ExecuteWithJournal({Statements::RecordExaminee, {name}}, journal);
        outcome = reply("ADMITTED");
    });
    if (outcome->front() == "ADMITTED")
        m_state = State::Ready;
    return outcome;
}

Message KeeperSession::question()
{
    if (m_handedAt) {
        const double since = m_services.monotonic() - *m_handedAt;
        if (since < QuestionSpacingSeconds)
            m_services.sleep(QuestionSpacingSeconds - since);
    }
    ++m_questionNo;
    const qint16 id = drawUnaskedId(m_services.random, m_drawnIds, m_questionNo - 1);
    m_drawnIds[static_cast<std::size_t>(m_questionNo)] = id;
    const Recordset question = m_basa->OpenRecordset(Statements::SelectQuestion(id));
    m_rightCode = question.Fields(QStringLiteral("ball"));
    Message shown = reply("QUESTION", {decimal(m_questionNo)});
    for (const char *column : {"question", "type", "answ1", "answ2", "answ3", "answ4", "picture"})
        shown.push_back(Channel::valueField(question.Fields(QLatin1String(column))));
    m_handedAt = m_services.monotonic();
    m_state = State::Asked;
    return shown;
}

std::optional<Message> KeeperSession::answer(const Message &request)
{
    const std::optional<qint16> code = answerCodeOf(request[1]);
    if (!code)
        return std::nullopt;
    // An answer later than the question's time can give the window no advantage: it is wrong.
    const bool inTime =
        m_services.monotonic() - *m_handedAt <= Rules::QuestionSeconds + AnswerGraceSeconds;
    if (inTime && equalsNumber(m_rightCode, *code))
        ++m_rightCount;
    m_rightCode = FieldValue::null();
    if (m_questionNo < Rules::TestLength) {
        m_state = State::Ready;
        return reply("SCORED");
    }
    return result();
}

Message KeeperSession::result()
{
    if (m_examMode) {
        const bool passed = m_rightCount >= Rules::PassMark;
        std::optional<Database::Change> journal;
        if (m_journalAttempt)
            journal = Journal::finish(*m_journalAttempt, m_services.now(), m_rightCount, passed);
        m_basa->ExecuteWithJournal({passed ? Statements::RecordPass : Statements::RecordFail, {}},
                                   journal);
    }
    return reply("RESULT", {decimal(m_rightCount)});
}
