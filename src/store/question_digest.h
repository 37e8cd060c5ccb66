#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>

// What identifies a question as an examinee saw and was scored on it: a SHA-256 over its stored
// values, never its id, which the editor renumbers. Answers kept in the journal carry it, so that
// figures are only ever counted for the text they were given to.
namespace QuestionDigest {

// The columns digested, in this order; select them so to hand their stored values to `of`.
inline const QString Columns =
    QStringLiteral("question, type, answ1, answ2, answ3, answ4, ball, picture");

// The digest of one row's values as Database::StoredRows reads them, in Columns' order. Each value
// is taken with its kind, so the whole number 1 and the text "1" differ.
QByteArray of(const QVariantList &storedValues);

} // namespace QuestionDigest
