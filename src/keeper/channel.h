#pragma once

#include "store/field_value.h"
#include "store/file_descriptor.h"

#include <QByteArray>

#include <optional>
#include <vector>

// The keeper's channel: a message is a 4-byte big-endian length and a payload; the payload is
// fields, each a 4-byte big-endian length and its bytes; field 0 is the verb in ASCII. Both the
// keeper and the exam window speak it.
namespace Channel {

using Message = std::vector<QByteArray>;

QByteArray encode(const Message &message);
// The fields of a payload; none when the lengths do not add up to it exactly or it has none.
std::optional<Message> decode(const QByteArray &payload);

enum class Read { Message, End, Refused };
// Reads one message from `fd`, waiting for it whole: End when the other side closed the channel
// before its first byte, Refused for a payload over `largest` bytes, one that does not decode,
// or a channel closed halfway through a message.
Read readMessage(int fd, qsizetype largest, Message &message);
// The same for a message that must come with exactly one descriptor (SCM_RIGHTS), which goes to
// `passed`; a message with none or several is Refused, and any it brought are closed.
Read readMessage(int fd, qsizetype largest, Message &message, FileDescriptor &passed);
// Writes one message whole, with `passedFd` when it is one; false when the channel is gone.
bool writeMessage(int fd, const Message &message, int passedFd = -1);

// A whole number written in plain decimal, from `least` to `most` (0 ≤ least): ASCII digits only,
// no sign, blank, line end or leading zero. Anything else is none.
std::optional<int> plainDecimal(const QByteArray &field, int least, int most);

// A value as a field: its kind's letter (N Null, T text in UTF-8, D number in 17 significant
// digits, B Boolean '0' or '1') and the value.
QByteArray valueField(const FieldValue &value);
// The value of such a field; none when it is not one.
std::optional<FieldValue> fieldValue(const QByteArray &field);

} // namespace Channel
