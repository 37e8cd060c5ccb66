#pragma once

#include "database.h"

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
// The columns the program writes and the staff's tool reads, in their order.
inline const QStringList Columns = {
    QStringLiteral("id"),        QStringLiteral("username"),      QStringLiteral("started"),
    QStringLiteral("finished"),  QStringLiteral("right_answers"), QStringLiteral("passed"),
    QStringLiteral("questions"), QStringLiteral("host")};

// Who, when and where, as an attempt's row names it.
struct Attempt
{
    QString username;
    QDateTime started;
    int questions = 0;
    QString host;
};

// A time as the journal keeps it: local time with its offset, to the second.
QString timeText(const QDateTime &time);
QDateTime timeFromText(const QString &text);

// The row a new attempt adds, not finished.
Database::Change start(const Attempt &attempt);
// Completes that attempt's row at its result.
Database::Change finish(const Attempt &attempt, const QDateTime &finished, int rightAnswers,
                        bool passed);

// A row as read back for the staff.
struct Entry
{
    QString username;
    QDateTime started;
    std::optional<QDateTime> finished;
    std::optional<int> rightAnswers;
    std::optional<bool> passed;
    int questions = 0;
    QString host;
};

} // namespace Journal
