#pragma once

#include "field_value.h"

#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

// What SQLite said when it refused something: its extended result code and its own message.
struct SqliteError
{
    int code = 0;
    QString message;

    // The primary result code (SQLITE_BUSY, SQLITE_READONLY, …).
    int primary() const { return code & 0xff; }
};

// One connection to a bank file through SQLite's C API: the only way any program of the system
// reaches a bank's bytes.
class SqliteConnection final
{
public:
    enum class Access {
        ReadWrite, // an existing file, never created
        ReadOnly,  // an existing file, never changed
        Create,    // a new file
    };
    // Opens `path` (not as a URI: any character may be in it). Throws SqliteError.
    SqliteConnection(const QString &path, Access access, int lockWaitMs);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    sqlite3 *handle() const { return m_handle; }
    SqliteError lastError() const;
    // Runs a statement without values and without rows to read. Throws SqliteError.
    void run(const QString &sql);
    // Whether a transaction begun by a statement is open (the engine is not in autocommit mode).
    bool inTransaction() const;
    // The rowid of the last row an insert on this connection added.
    qint64 lastInsertRowId() const;
    // The whole database as the bytes of its file, for one kept in memory.
    QByteArray serialize() const;
    // Makes the database the one `image` holds, the bytes of a database file: for a connection
    // to ":memory:", which then works on a copy of them.
    void deserialize(const QByteArray &image);
    // Closes the file; the connection is of no use afterwards.
    void close();

private:
    sqlite3 *m_handle = nullptr;
};

// One prepared statement. Errors are thrown as SqliteError.
class SqliteStatement final
{
public:
    SqliteStatement(SqliteConnection &connection, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Binds the values to the '?' placeholders in order: a null QVariant as Null, a Boolean as
    // 1 or 0, whole numbers as integers, other numbers as reals, a byte array as a blob,
    // anything else as its text.
    void bind(const QVariantList &values);
    // Moves to the next row: false after the last one.
    bool next();
    // Runs a statement that returns no rows to its end.
    void execute();

    int columnCount() const;
    QString columnName(int column) const;
    // The value of a column of the current row as the program reads it: a number for an integer
    // or a real, except in a column declared BOOLEAN (or BOOL), where any non-zero number reads
    // True and 0 False; a text as SQLite gives it in UTF-16; a blob as its bytes taken as UTF-8;
    // Null for Null.
    FieldValue value(int column) const;
    // The same value as a bank file keeps it, for the staff's tools that copy a bank value for
    // value: Null as a null QVariant; an integer as a qlonglong, all its 64 bits (a number of
    // `value` holds only 53); a real as a double, or as a qlonglong when it is a whole one; a text
    // as a QString; a blob as its bytes taken as UTF-8 and a number in a BOOLEAN column as a bool,
    // as the program reads them.
    QVariant storedValue(int column) const;

    // The current row's values as SQLite holds them, copied without converting them.
    class Row;
    Row row() const;

private:
    SqliteConnection &m_connection;
    sqlite3_stmt *m_statement = nullptr;
    std::vector<bool> m_booleanColumns;
};

// A row kept past the next step, converted only when asked for: a pass that needs one row of
// many (the last) copies each cheaply instead of converting each.
class SqliteStatement::Row final
{
public:
    Row() = default;
    ~Row();
    Row(Row &&other) noexcept;
    Row &operator=(Row &&other) noexcept;

    std::vector<FieldValue> values() const;

private:
    friend class SqliteStatement;
    void clear();

    std::vector<sqlite3_value *> m_values;
    std::vector<bool> m_booleanColumns;
};

// A value as the rows of a bank carry it (SqliteStatement::storedValue) read as the program reads
// it. A byte array reads as its UTF-8 text, as a blob does.
FieldValue readValue(const QVariant &stored);
