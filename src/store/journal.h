#pragma once

#include "database.h"
#include "journal_entry.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The results journal: one row of table `attempts` per exam attempt, in banks made by the staff's
// tool. The one-row attempt record stays as it is; the journal is written beside it, in the same
// transaction, and only where the table exists: the program never creates it.
namespace Journal {

inline const QString Table = QStringLiteral("attempts");
// Every answer of a finished attempt, one row each, beside `attempts` in banks made from now on.
inline const QString AnswersTable = QStringLiteral("answers");
inline const QStringList AnswerColumns{"attempt", "place",   "question", "code",
                                       "scored",  "seconds", "shown"};

// Who, when and where, as an attempt's row names it, and the row once it is written.
struct Attempt
{
    QString username;
    QDateTime started;
    int questions = 0;
    QString host;
    // The examinee's account on the workstation, where the journal has a column for it (journals
    // made before it have none, and go on without).
    std::optional<QString> account;
    // The row's id, kept from its start: the finish completes this row and no other, however
    // many attempts of the same name started in the same second.
    std::optional<qint64> id;
};

// One answered question of an attempt, as its row keeps it.
struct Answer
{
    int place = 0; // 1 to 40, in the order asked
    qint16 question = 0;
    qint16 code = 0; // the code of the ticks sent
    bool scored = false;
    double seconds = 0; // from the question shown to its answer
    QByteArray shown;   // QuestionDigest::of the question as shown and scored
};

// The row a new attempt adds, not finished.
Database::Change start(const Attempt &attempt);
// Completes that attempt's row at its result: none for an attempt whose row was never written
// (the journal refused it), which has nothing to complete.
std::optional<Database::Change> finish(const Attempt &attempt, const QDateTime &finished,
                                       int rightAnswers, bool passed);
// The rows of that attempt's answers, in one statement, so that a row refused refuses them all;
// none for an attempt whose row was never written, or without answers.
std::optional<Database::Change> answers(const Attempt &attempt, const std::vector<Answer> &answers);

} // namespace Journal
