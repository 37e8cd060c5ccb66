#include "question_digest.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <cstring>

namespace {

// One tag byte for the kind, then the value in a fixed width or with its length, so that no two
// different rows can give the same bytes.
void add(QCryptographicHash &hash, const QVariant &value)
{
    auto addWhole = [&](char tag, quint64 bits) {
        char bytes[9] = {tag};
        qToBigEndian(bits, bytes + 1);
        hash.addData(QByteArrayView(bytes, sizeof bytes));
    };
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        hash.addData(QByteArrayView("n", 1));
        return;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
        addWhole('i', quint64(value.toLongLong()));
        return;
    case QMetaType::Double: {
        const double number = value.toDouble();
        quint64 bits;
        std::memcpy(&bits, &number, sizeof bits);
        addWhole('r', bits);
        return;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        addWhole('t', quint64(text.size()));
        hash.addData(text);
        return;
    }
    }
}

} // namespace

QByteArray QuestionDigest::of(const QVariantList &storedValues)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QVariant &value : storedValues)
        add(hash, value.isNull() ? QVariant() : value);
    return hash.result();
}
