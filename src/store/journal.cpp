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

std::optional<Database::Change> answers(const Attempt &attempt, const std::vector<Answer> &answers)
{
    if (!attempt.id || answers.empty())
        return std::nullopt;
    QStringList rows;
    QVariantList values;
    values.reserve(qsizetype(answers.size()) * 7);
    for (const Answer &answer : answers) {
        rows.push_back(QStringLiteral("(?, ?, ?, ?, ?, ?, ?)"));
        values << *attempt.id << answer.place << int(answer.question) << int(answer.code)
               << int(answer.scored) << answer.seconds << answer.shown;
    }
    return Database::Change{
        QStringLiteral("INSERT INTO answers (attempt, place, question, code, scored, seconds, "
                       "shown) VALUES ") +
            rows.join(QStringLiteral(", ")),
        values};
}

} // namespace Journal
