#pragma once

#include "database.h"
#include "journal_entry.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The results journal: one row of table `attempts` per exam attempt, in banks made by the staff's
// tool. The one-row attempt record stays as it is; the journal is written beside it, in the same
// transaction, and only where the table exists: the program never creates it.
namespace Journal {

inline const QString Table = QStringLiteral("attempts");

// Who, when and where, as an attempt's row names it.
struct Attempt
{
    QString username;
    QDateTime started;
    int questions = 0;
    QString host;
};

// The row a new attempt adds, not finished.
Database::Change start(const Attempt &attempt);
// Completes that attempt's row at its result.
Database::Change finish(const Attempt &attempt, const QDateTime &finished, int rightAnswers,
                        bool passed);

} // namespace Journal
