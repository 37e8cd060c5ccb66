#include "journal.h"

namespace Journal {

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
