#include "exam/keeper_protocol.h"
#include "keeper/channel.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Channel::Message;
using Channel::Read;

class Socket final
{
public:
    Socket() { socketpair(AF_UNIX, SOCK_STREAM, 0, m_fds); }
    ~Socket()
    {
        for (int fd : m_fds)
            if (fd >= 0)
                close(fd);
    }
    int reader() const { return m_fds[0]; }
    int writer() const { return m_fds[1]; }
    void send(const QByteArray &bytes) const
    {
        ASSERT_EQ(write(writer(), bytes.data(), bytes.size()), bytes.size());
    }
    void closeWriter()
    {
        close(m_fds[1]);
        m_fds[1] = -1;
    }

private:
    int m_fds[2] = {-1, -1};
};

QByteArray length(quint32 n)
{
    QByteArray bytes;
    for (int shift : {24, 16, 8, 0})
        bytes.append(char(n >> shift));
    return bytes;
}

TEST(ChannelTest, AMessageIsLengthsAndBytesBigEndian)
{
    const QByteArray bytes = Channel::encode({"OPEN", "demo"});
    EXPECT_EQ(bytes, length(16) + length(4) + "OPEN" + length(4) + "demo");
    EXPECT_EQ(Channel::decode(bytes.mid(4)), (Message{"OPEN", "demo"}));
    const Message withEmpty{"ANSWER", ""};
    EXPECT_EQ(Channel::decode(Channel::encode(withEmpty).mid(4)), withEmpty);
}

TEST(ChannelTest, PayloadsWhoseLengthsDoNotAddUpAreRefused)
{
    for (const QByteArray &payload :
         {QByteArray(), length(5) + "OPEN", length(3) + "OPEN",
          length(4) + "OPEN" + QByteArray(1, '\0'), length(4) + "OPEN" + QByteArray("\0\0", 2),
          length(0xffffffff) + "OPEN"})
        EXPECT_FALSE(Channel::decode(payload)) << payload.toHex().constData();
}

TEST(ChannelTest, AMessageArrivingInPiecesIsReadWhole)
{
    Socket socket;
    const QByteArray bytes = Channel::encode({"REGISTER", "Иванов Пётр Сидорович"});
    socket.send(bytes.left(3));
    std::thread rest([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        socket.send(bytes.mid(3, 10));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        socket.send(bytes.mid(13));
    });
    Message message;
    EXPECT_EQ(Channel::readMessage(socket.reader(), KeeperProtocol::LargestRequest, message),
              Read::Message);
    rest.join();
    EXPECT_EQ(message, (Message{"REGISTER", "Иванов Пётр Сидорович"}));
}

TEST(ChannelTest, OversizedTruncatedAndClosedChannelsAreToldApart)
{
    Message message;
    {
        Socket socket;
        socket.send(length(4097) + length(4093) + QByteArray(4093, 'x'));
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::Refused);
    }
    {
        Socket socket;
        socket.send(length(4096) + length(4092) + QByteArray(4092, 'x'));
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::Message);
    }
    {
        Socket socket;
        socket.send(length(12) + length(8) + "QUES");
        socket.closeWriter();
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::Refused);
    }
    {
        Socket socket;
        socket.send(QByteArray("\0\0", 2));
        socket.closeWriter();
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::Refused);
    }
    {
        Socket socket;
        socket.closeWriter();
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::End);
    }
    {
        Socket socket;
        EXPECT_TRUE(Channel::writeMessage(socket.writer(), {"SCORED"}));
        EXPECT_EQ(Channel::readMessage(socket.reader(), 4096, message), Read::Message);
        EXPECT_EQ(message, Message{"SCORED"});
    }
}

TEST(ChannelTest, ValuesKeepTheirKindAndEveryDigit)
{
    const double third = 1.0 / 3;
    const FieldValue values[] = {FieldValue::null(),        FieldValue::text("Ёлка & «кавычки»"),
                                 FieldValue::text(""),      FieldValue::number(third),
                                 FieldValue::number(-0.0),  FieldValue::number(29),
                                 FieldValue::boolean(true), FieldValue::boolean(false)};
    for (const FieldValue &value : values) {
        const std::optional<FieldValue> back = Channel::fieldValue(Channel::valueField(value));
        ASSERT_TRUE(back);
        ASSERT_EQ(back->kind(), value.kind());
        switch (value.kind()) {
        case FieldValue::Kind::Text:
            EXPECT_EQ(back->asText(), value.asText());
            break;
        case FieldValue::Kind::Number:
            EXPECT_EQ(back->asNumber(), value.asNumber());
            break;
        case FieldValue::Kind::Boolean:
            EXPECT_EQ(back->asBoolean(), value.asBoolean());
            break;
        case FieldValue::Kind::Null:
            break;
        }
    }
    EXPECT_EQ(Channel::valueField(FieldValue::number(29)), "D29");
    for (const QByteArray &field :
         {QByteArray(), QByteArray("N1"), QByteArray("T\xff"), QByteArray("Dx"), QByteArray("D"),
          QByteArray("B2"), QByteArray("X1")})
        EXPECT_FALSE(Channel::fieldValue(field)) << field.constData();
}

// Both sides read counts, ids and codes through it: only the one plain spelling of a number.
TEST(ChannelTest, PlainDecimalTakesDigitsAloneWithinTheRange)
{
    EXPECT_EQ(Channel::plainDecimal("0", 0, 29), 0);
    EXPECT_EQ(Channel::plainDecimal("29", 0, 29), 29);
    EXPECT_EQ(Channel::plainDecimal("40", 1, 40), 40);
    for (const char *refused :
         {"30", "1\n", "1 ", " 1", "+1", "-1", "01", "", "1:", "0x1", "99999999999", "\xd9\xa1"})
        EXPECT_FALSE(Channel::plainDecimal(refused, 0, 29)) << refused;
    EXPECT_FALSE(Channel::plainDecimal("0", 1, 40));
}

} // namespace
