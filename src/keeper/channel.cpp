#include "channel.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace Channel {

namespace {

void appendLength(QByteArray &bytes, qsizetype length)
{
    const auto n = static_cast<quint32>(length);
    bytes.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
}

quint32 lengthAt(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) {
        return quint32(static_cast<unsigned char>(bytes[at + i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// Reads exactly `size` bytes: how many came before the channel closed, or -1 on an error.
qsizetype readAll(int fd, char *into, qsizetype size)
{
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, into + got, std::size_t(size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

} // namespace

QByteArray encode(const Message &message)
{
    QByteArray payload;
    for (const QByteArray &field : message) {
        appendLength(payload, field.size());
        payload.append(field);
    }
    QByteArray bytes;
    appendLength(bytes, payload.size());
    return bytes + payload;
}

std::optional<Message> decode(const QByteArray &payload)
{
    Message message;
    qsizetype at = 0;
    while (at < payload.size()) {
        if (payload.size() - at < 4)
            return std::nullopt;
        const quint32 length = lengthAt(payload, at);
        at += 4;
        if (length > quint64(payload.size() - at))
            return std::nullopt;
        message.push_back(payload.mid(at, length));
        at += length;
    }
    if (message.empty())
        return std::nullopt;
    return message;
}

namespace {

// The rest of a message whose first `got` bytes of its length are in `head`.
Read readRest(int fd, qsizetype largest, QByteArray &head, qsizetype got, Message &message)
{
    if (got == 0)
        return Read::End;
    if (got < 4) {
        const qsizetype more = readAll(fd, head.data() + got, 4 - got);
        if (more != 4 - got)
            return Read::Refused;
    }
    const quint32 length = lengthAt(head, 0);
    if (length > quint64(largest))
        return Read::Refused;
    QByteArray payload(length, '\0');
    if (readAll(fd, payload.data(), length) != qsizetype(length))
        return Read::Refused;
    std::optional<Message> decoded = decode(payload);
    if (!decoded)
        return Read::Refused;
    message = std::move(*decoded);
    return Read::Message;
}

} // namespace

Read readMessage(int fd, qsizetype largest, Message &message)
{
    QByteArray head(4, '\0');
    const qsizetype got = readAll(fd, head.data(), 4);
    if (got < 0)
        return Read::Refused;
    return readRest(fd, largest, head, got, message);
}

Read readMessage(int fd, qsizetype largest, Message &message, FileDescriptor &passed)
{
    QByteArray head(4, '\0');
    // Room for two descriptors, so that more than one is seen, and refused, rather than cut.
    alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
    iovec part{head.data(), 4};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got;
    do
        got = ::recvmsg(fd, &header, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return Read::Refused;
    std::vector<int> received;
    for (cmsghdr *c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int one;
            std::memcpy(&one, CMSG_DATA(c) + i * sizeof(int), sizeof one);
            received.push_back(one);
        }
    }
    const bool exactlyOne = received.size() == 1 && !(header.msg_flags & MSG_CTRUNC);
    if (exactlyOne)
        passed.reset(received.front());
    else
        for (const int one : received)
            ::close(one);
    const Read read = readRest(fd, largest, head, got, message);
    if (read == Read::Message && !exactlyOne)
        return Read::Refused;
    return read;
}

bool writeMessage(int fd, const Message &message, int passedFd)
{
    const QByteArray bytes = encode(message);
    qsizetype sent = 0;
    if (passedFd >= 0) {
        // The descriptor goes with the message's first bytes.
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        iovec part{const_cast<char *>(bytes.constData()), std::size_t(bytes.size())};
        msghdr header{};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr *c = CMSG_FIRSTHDR(&header);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &passedFd, sizeof passedFd);
        ssize_t n;
        do
            n = ::sendmsg(fd, &header, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        if (n <= 0)
            return false;
        sent = n;
    }
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, std::size_t(bytes.size() - sent));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

std::optional<int> plainDecimal(const QByteArray &field, int least, int most)
{
    // Ten digits already pass any int; a leading zero is another spelling of the same number.
    if (field.isEmpty() || field.size() > 10 || (field.size() > 1 && field[0] == '0'))
        return std::nullopt;
    qint64 number = 0;
    for (const char digit : field) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        number = number * 10 + (digit - '0');
    }
    if (number < least || number > most)
        return std::nullopt;
    return int(number);
}

QByteArray valueField(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return QByteArrayLiteral("N");
    case FieldValue::Kind::Text:
        return 'T' + value.asText().toUtf8();
    case FieldValue::Kind::Number:
        return 'D' + QByteArray::number(value.asNumber(), 'g', 17);
    case FieldValue::Kind::Boolean:
        return value.asBoolean() ? QByteArrayLiteral("B1") : QByteArrayLiteral("B0");
    }
    return {};
}

std::optional<FieldValue> fieldValue(const QByteArray &field)
{
    const QByteArray rest = field.mid(1);
    switch (field.isEmpty() ? '\0' : field[0]) {
    case 'N':
        if (rest.isEmpty())
            return FieldValue::null();
        break;
    case 'T': {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(rest);
        if (!utf8.hasError())
            return FieldValue::text(text);
        break;
    }
    case 'D': {
        bool ok = false;
        const double number = rest.toDouble(&ok);
        if (ok)
            return FieldValue::number(number);
        break;
    }
    case 'B':
        if (rest == "0" || rest == "1")
            return FieldValue::boolean(rest == "1");
        break;
    }
    return std::nullopt;
}

} // namespace Channel
