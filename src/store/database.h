#pragma once

#include "field_value.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The result of a select. The program reads only the first and the last row, so only those are
// kept; the statement is run to its end when the recordset opens, which leaves no read pending on
// the connection (a pending read would hold the file's lock and delay the commit of later writes).
class Recordset final
{
public:
    // The value of the named column (any letter case) in the current row.
    FieldValue Fields(const QString &name) const;
    // Makes the last row current; error 3021 when there is no row.
    void MoveLast();
    // True when there is no current row: the result is empty.
    bool EOF_() const { return m_first.empty(); }

private:
    friend class Database;
    Recordset(QString statement, QStringList columns, std::vector<FieldValue> first,
              std::vector<FieldValue> last);

    QString m_statement;
    QStringList m_columns;
    std::vector<FieldValue> m_first;
    std::vector<FieldValue> m_last;
    bool m_onLast = false;
};

// An open database file. Copies share one connection, closed when the last copy goes.
class Database final
{
public:
    // Runs a select; the recordset is on its first row.
    Recordset OpenRecordset(const QString &sql);
    // Every row of a select, its values in the order of the select's columns. For checks over a
    // whole table, whose results are small.
    std::vector<std::vector<FieldValue>> Rows(const QString &sql);
    // Every row of a select with its values as the file keeps them (SqliteStatement::storedValue),
    // whole numbers to all their 64 bits: for the staff's tools, which copy a bank value for
    // value. The program compares the values of Rows.
    std::vector<QVariantList> StoredRows(const QString &sql);
    // The rows of a select one at a time, for a pass over a whole bank.
    void ForEachRow(const QString &sql,
                    const std::function<void(const std::vector<FieldValue> &row)> &take);
    // Runs a statement that changes data; the change is on disk when this returns.
    void Execute(const QString &sql);
    // The same with the values bound, in order, to the statement's '?' placeholders, so no value
    // can change what the statement does.
    void Execute(const QString &sql, const QVariantList &boundValues);

    // A statement that changes data, with the values bound to its '?' placeholders.
    struct Change
    {
        QString sql;
        QVariantList boundValues;
    };
    // Runs a change of the attempt record and, after it, a change of the results journal, in one
    // transaction: when this returns, the record's change is on disk. The journal's change is
    // undone alone if it fails, which is written to standard error: the journal must never cost
    // the record its write. `answers`, the rows of the attempt's answers, follow only a journal
    // change that was made, and are undone alone in their turn: they never cost the record or
    // the journal theirs. Inside WriteTransaction it becomes part of that transaction. Returns,
    // when the journal's change was made, the id of the row it inserted (for an insert).
    std::optional<qint64> ExecuteWithJournal(const Change &record,
                                             const std::optional<Change> &journal,
                                             const std::optional<Change> &answers = std::nullopt);
    // Runs `work` in one write transaction, taken (or waited for) before it starts: what it reads
    // no other program can change before what it writes is committed. Committed when `work`
    // returns, undone when it throws.
    void WriteTransaction(const std::function<void()> &work);
    // Whether the file holds a table of that name (any letter case).
    bool HasTable(const QString &name);
    // The names of a table's columns in lower case, in their order; none when there is no such
    // table.
    QStringList Columns(const QString &table);

    // Absolute path of the file.
    const QString &path() const;

private:
    friend class DBEngine;
    class Connection;
    explicit Database(std::shared_ptr<Connection> connection);
    void rollBack();
    // Runs `change` in a savepoint of its own: when it fails it alone is undone and `refused`,
    // with the engine's reason, is written to standard error. Returns whether it was made.
    bool executeAlone(const Change &change, const char *refused);

    // The last row of a select with two rows or more, without reading the rows before it; none
    // when the statement cannot be wrapped.
    std::optional<std::vector<FieldValue>> lastRowBySkipping(const QString &sql, qsizetype columns);

    std::shared_ptr<Connection> m_connection;
};

class DBEngine final
{
public:
    enum class Access { ReadWrite, ReadOnly };
    // Opens an existing database file, named relative to the current working directory, shared,
    // for reading and writing (the exam) or only for reading (the staff's tools). Never creates
    // a file and changes nothing in it.
    static Database OpenDatabase(const QString &name, Access access = Access::ReadWrite);
    // A database over a copy of `image`, the bytes of a bank file, kept in memory: what a file
    // with those bytes would give, without one. `shownPath` names it in messages.
    static Database OpenImage(const QByteArray &image, const QString &shownPath);
    // Closes every database still open, as the program ends: what was written is then in the file
    // itself, and no journal or side file of the engine is left beside it.
    static void CloseAll();
    // How long a statement waits for another program's lock on the file before it fails.
    static void setLockWait(int milliseconds);
    static int lockWait();
};
