#include "journal.h"

namespace Journal {

Database::Change start(const Attempt &attempt)
{
    if (attempt.account)
        return {QStringLiteral("INSERT INTO attempts (username, started, questions, host, account) "
                               "VALUES (?, ?, ?, ?, ?)"),
                {attempt.username, timeText(attempt.started), attempt.questions, attempt.host,
                 *attempt.account}};
    return {QStringLiteral("INSERT INTO attempts (username, started, questions, host) "
                           "VALUES (?, ?, ?, ?)"),
            {attempt.username, timeText(attempt.started), attempt.questions, attempt.host}};
}

std::optional<Database::Change> finish(const Attempt &attempt, const QDateTime &finished,
                                       int rightAnswers, bool passed)
{
    if (!attempt.id)
        return std::nullopt;
    return Database::Change{
        QStringLiteral("UPDATE attempts SET finished = ?, right_answers = ?, passed = ? "
                       "WHERE id = ?"),
        {timeText(finished), rightAnswers, passed, *attempt.id}};
}

} // namespace Journal
