#include "keeper_protocol.h"

#include "store/rules.h"
#include "store/runtime_error.h"

#include <QStringDecoder>

namespace KeeperProtocol {

namespace {

QByteArray decimal(int number)
{
    return QByteArray::number(number);
}

// Whether `message` is `verb` with exactly `fields` fields after it.
bool is(const Message &message, const QByteArray &verb, std::size_t fields = 0)
{
    return message.size() == fields + 1 && message.front() == verb;
}

std::optional<QString> utf8Text(const QByteArray &field)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(field);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

// A question's values in the order the reply carries them.
constexpr std::size_t ShownValues = 7;

} // namespace

Message openRequest(bool examMode)
{
    return {Verb::Open, examMode ? QByteArrayLiteral("exam") : QByteArrayLiteral("demo")};
}

Message registerRequest(const QString &fullName)
{
    return {Verb::Register, fullName.toUtf8()};
}

Message questionRequest()
{
    return {Verb::Question};
}

Message answerRequest(qint16 answerCode)
{
    return {Verb::Answer, decimal(answerCode)};
}

Message recordRequest()
{
    return {Verb::Record};
}

std::optional<bool> examModeOf(const Message &request)
{
    if (is(request, Verb::Open, 1) && (request[1] == "exam" || request[1] == "demo"))
        return request[1] == "exam";
    return std::nullopt;
}

std::optional<QString> fullNameOf(const Message &request)
{
    if (!is(request, Verb::Register, 1))
        return std::nullopt;
    return utf8Text(request[1]);
}

bool isQuestionRequest(const Message &request)
{
    return is(request, Verb::Question);
}

std::optional<qint16> answerCodeOf(const Message &request)
{
    if (!is(request, Verb::Answer, 1))
        return std::nullopt;
    const std::optional<int> code = Channel::plainDecimal(request[1], 0, Rules::HighestAnswerCode);
    if (!code)
        return std::nullopt;
    return static_cast<qint16>(*code);
}

bool isRecordRequest(const Message &request)
{
    return is(request, Verb::Record);
}

Message openedReply(int lastId, const std::vector<BankPicture> &pictures)
{
    Message opened{Verb::Opened, decimal(lastId), decimal(int(pictures.size()))};
    for (const BankPicture &picture : pictures) {
        opened.push_back(decimal(picture.firstId));
        opened.push_back(Channel::valueField(picture.value));
    }
    return opened;
}

Message admittedReply()
{
    return {Verb::Admitted};
}

Message repeatReply(bool passed)
{
    return {Verb::Repeat, passed ? QByteArrayLiteral("1") : QByteArrayLiteral("0")};
}

Message questionReply(int number, const QuestionValues &question)
{
    Message shown{Verb::Question, decimal(number), Channel::valueField(question.question),
                  Channel::valueField(question.type)};
    for (const FieldValue &answer : question.answers)
        shown.push_back(Channel::valueField(answer));
    shown.push_back(Channel::valueField(question.picture));
    return shown;
}

Message scoredReply()
{
    return {Verb::Scored};
}

Message countedReply(int rightCount)
{
    return {Verb::Counted, decimal(rightCount)};
}

Message recordedReply()
{
    return {Verb::Recorded};
}

Message errorReply(const RuntimeError &error)
{
    return {Verb::Error, decimal(error.number()), error.description().toUtf8()};
}

std::optional<Opened> openedOf(const Message &reply)
{
    if (reply.size() < 3 || reply.front() != Verb::Opened)
        return std::nullopt;
    const std::optional<int> lastId = Channel::plainDecimal(reply[1], 1, Rules::LargestBank);
    const std::optional<int> count = Channel::plainDecimal(reply[2], 0, Rules::LargestBank);
    if (!lastId || !count || reply.size() != 3 + 2 * std::size_t(*count))
        return std::nullopt;
    Opened opened{*lastId, {}};
    for (std::size_t at = 3; at < reply.size(); at += 2) {
        const std::optional<int> firstId = Channel::plainDecimal(reply[at], 1, *lastId);
        const std::optional<FieldValue> value = Channel::fieldValue(reply[at + 1]);
        if (!firstId || !value)
            return std::nullopt;
        opened.pictures.push_back({*firstId, *value});
    }
    return opened;
}

std::optional<Registered> registeredOf(const Message &reply)
{
    if (is(reply, Verb::Admitted))
        return Registered{true, false};
    if (is(reply, Verb::Repeat, 1) && (reply[1] == "0" || reply[1] == "1"))
        return Registered{false, reply[1] == "1"};
    return std::nullopt;
}

std::optional<NumberedQuestion> questionOf(const Message &reply)
{
    if (!is(reply, Verb::Question, 1 + ShownValues))
        return std::nullopt;
    const std::optional<int> number = Channel::plainDecimal(reply[1], 1, Rules::TestLength);
    if (!number)
        return std::nullopt;
    std::vector<FieldValue> values;
    for (std::size_t k = 2; k < reply.size(); ++k) {
        const std::optional<FieldValue> value = Channel::fieldValue(reply[k]);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    NumberedQuestion shown{*number, {}};
    shown.question.question = values[0];
    shown.question.type = values[1];
    for (std::size_t k = 0; k < shown.question.answers.size(); ++k)
        shown.question.answers[k] = values[k + 2];
    shown.question.picture = values[6];
    return shown;
}

bool isScored(const Message &reply)
{
    return is(reply, Verb::Scored);
}

std::optional<int> countedOf(const Message &reply)
{
    if (!is(reply, Verb::Counted, 1))
        return std::nullopt;
    return Channel::plainDecimal(reply[1], 0, Rules::TestLength);
}

bool isRecorded(const Message &reply)
{
    return is(reply, Verb::Recorded);
}

std::optional<RuntimeError> errorOf(const Message &reply)
{
    if (!is(reply, Verb::Error, 2))
        return std::nullopt;
    const std::optional<int> number = Channel::plainDecimal(reply[1], 1, 65535);
    const std::optional<QString> description = utf8Text(reply[2]);
    if (!number || !description || description->isEmpty())
        return std::nullopt;
    return RuntimeError(*number, *description);
}

} // namespace KeeperProtocol
