#pragma once

#include "field_value.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace Journal {

// A time as the journal keeps it: local time with its offset, to the second.
QString timeText(const QDateTime &time);
QDateTime timeFromText(const QString &text);

// A cell of the journal that does not hold what the program writes there: another tool, a hand
// edit or a damaged file put it there. `column` is the stored column's name; `problem` says in
// Russian what was found and what was expected.
struct Damage
{
    QString column;
    QString problem;
};

// A cell as read back: the value the program wrote, or the damage found instead.
template <class T> class Cell final
{
public:
    Cell(T value = T()) : m_value(std::move(value)) {}
    Cell(Damage damage) : m_value(std::move(damage)) {}

    bool damaged() const { return std::holds_alternative<Damage>(m_value); }
    // Asking a damaged cell for its value is a programming error: std::bad_variant_access.
    const T &value() const { return std::get<T>(m_value); }
    const Damage &damage() const { return std::get<Damage>(m_value); }

private:
    std::variant<T, Damage> m_value;
};

// A row of the journal as read back for the staff. An unfinished attempt has no end, count or
// result.
struct Entry
{
    Cell<qint64> id;
    Cell<QString> username;
    Cell<QDateTime> started;
    Cell<std::optional<QDateTime>> finished;
    Cell<std::optional<int>> rightAnswers;
    Cell<std::optional<bool>> passed;
    Cell<int> questions;
    Cell<QString> host;
    // The examinee's account, where the journal names it (empty otherwise).
    Cell<QString> account;
    // The two times as the journal keeps them, for a reader that gives them back as kept (at UTC
    // "…Z" or "…+00:00"); empty where the cell is damaged or the attempt has not ended.
    QString startedText;
    QString finishedText;

    // The damaged cells, in the order of the columns.
    std::vector<Damage> damages() const;
};

// The column of the examinee's account, which journals made before it lack.
inline const QString AccountColumn = QStringLiteral("account");

// The columns of a journal row, in the order entryFromRow takes them.
inline const QStringList Columns{"id",     "username",  "started", "finished", "right_answers",
                                 "passed", "questions", "host"};

// The select that hands entryFromRow the journal's rows, in the order they were added. `passed` is
// read as stored: through its BOOLEAN declaration any non-zero number would read as a pass.
// The select that reads them, `account` last where the journal has that column (`withAccount`).
QString rowsSelect(bool withAccount);

// Reads a row given as the values of Columns, and the account after them where it was read. Each cell holding anything but what the program
// writes comes back damaged; the other cells are read all the same. The program writes texts for
// the name and the workstation (valid UTF-8, so never a U+FFFD), times in its form and an end no
// earlier than the start, whole numbers in range (at most Rules::TestLength right answers), 0 or 1
// for the result and 1 exactly when the count reaches Rules::PassMark, and an end, a count and a
// result together or none of them.
Entry entryFromRow(const std::vector<FieldValue> &row);

} // namespace Journal
