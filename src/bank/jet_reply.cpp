#include "jet_reply.h"

#include <QDataStream>
#include <QIODevice>

namespace {

constexpr quint32 Magic = 0x514a5231; // "QJR1"
constexpr auto Version = QDataStream::Qt_6_0;

// A bank value is Null, a whole number, a text or a Boolean; anything else is not ours.
bool bankValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::LongLong:
    case QMetaType::QString:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// Reads `values` in order; false once the stream or a value is not what a reply holds.
template <typename... Values> bool readValues(QDataStream &stream, Values &...values)
{
    ((stream >> values), ...);
    return stream.status() == QDataStream::Ok && (bankValue(values) && ...);
}

} // namespace

QByteArray jetReplyBytes(const JetReply &reply)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(Version);
    stream << Magic << reply.refusal << quint32(reply.tables.questions.size());
    for (const QuestionRow &q : reply.tables.questions)
        stream << q.id << q.question << q.answers[0] << q.answers[1] << q.answers[2] << q.answers[3]
               << q.ball << q.picture << q.type;
    stream << quint32(reply.tables.users.size());
    for (const UserRow &user : reply.tables.users)
        stream << user.id << user.username << user.chek;
    return bytes;
}

std::optional<JetReply> parseJetReply(const QByteArray &bytes)
{
    QDataStream stream(bytes);
    stream.setVersion(Version);
    quint32 magic = 0;
    JetReply reply;
    quint32 count = 0;
    stream >> magic >> reply.refusal >> count;
    if (stream.status() != QDataStream::Ok || magic != Magic)
        return std::nullopt;
    // Rows are added only as they are read, so a count the bytes do not hold costs nothing.
    for (quint32 i = 0; i < count; ++i) {
        QuestionRow q;
        if (!readValues(stream, q.id, q.question, q.answers[0], q.answers[1], q.answers[2],
                        q.answers[3], q.ball, q.picture, q.type))
            return std::nullopt;
        reply.tables.questions.push_back(std::move(q));
    }
    stream >> count;
    for (quint32 i = 0; stream.status() == QDataStream::Ok && i < count; ++i) {
        UserRow user;
        if (!readValues(stream, user.id, user.username, user.chek))
            return std::nullopt;
        reply.tables.users.push_back(std::move(user));
    }
    if (stream.status() != QDataStream::Ok || !stream.atEnd())
        return std::nullopt;
    return reply;
}
