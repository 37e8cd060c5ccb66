#include "journal.h"

namespace Journal {

QString timeText(const QDateTime &time)
{
    // An explicit offset, so that the text names the moment wherever it is read.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QDateTime timeFromText(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

Database::Change start(const Attempt &attempt)
{
    return {QStringLiteral("INSERT INTO attempts (username, started, questions, host) "
                           "VALUES (?, ?, ?, ?)"),
            {attempt.username, timeText(attempt.started), attempt.questions, attempt.host}};
}

Database::Change finish(const Attempt &attempt, const QDateTime &finished, int rightAnswers,
                        bool passed)
{
    // The attempt is found by who, when and where it started: one workstation cannot start two
    // attempts of one name in the same second.
    return {QStringLiteral("UPDATE attempts SET finished = ?, right_answers = ?, passed = ? "
                           "WHERE id = (SELECT max(id) FROM attempts WHERE username = ? AND "
                           "started = ? AND host = ?)"),
            {timeText(finished), rightAnswers, passed, attempt.username, timeText(attempt.started),
             attempt.host}};
}

} // namespace Journal
