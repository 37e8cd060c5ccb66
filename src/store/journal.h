#pragma once

#include "database.h"
#include "journal_entry.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The results journal: one row of table `attempts` per exam attempt, in banks made by the staff's
// tool. The one-row attempt record stays as it is; the journal is written beside it, in the same
// transaction, and only where the table exists: the program never creates it.
namespace Journal {

inline const QString Table = QStringLiteral("attempts");
inline const QString AccountColumn = QStringLiteral("account");

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

// The row a new attempt adds, not finished.
Database::Change start(const Attempt &attempt);
// Completes that attempt's row at its result: none for an attempt whose row was never written
// (the journal refused it), which has nothing to complete.
std::optional<Database::Change> finish(const Attempt &attempt, const QDateTime &finished,
                                       int rightAnswers, bool passed);

} // namespace Journal
