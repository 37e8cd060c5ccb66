#pragma once

#include "store/field_value.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The rows of one select read straight from SQLite on a read-only connection of its own. Values
// are converted only when asked for: a large bank repeats its texts, and turning every one into a
// QString, as the Qt driver does for each row, costs more than the checks that read them.
class SqliteRows final
{
public:
    // Opens `path` read-only and runs `sql`; ok() tells whether both worked.
    SqliteRows(const QString &path, const QString &sql);
    ~SqliteRows();
    SqliteRows(const SqliteRows &) = delete;
    SqliteRows &operator=(const SqliteRows &) = delete;

    bool ok() const { return m_statement != nullptr; }
    // Moves to the next row; false after the last one or on an error.
    bool next();

    bool isNull(int column) const;
    bool isText(int column) const;
    // True when the column holds a number (integer or real); number() is then its value.
    bool isNumber(int column) const;
    double number(int column) const;
    // The bytes of a text as the file stores them, for comparing texts without converting them;
    // only for a column that holds a text. Valid until the next call on this object.
    QByteArrayView storedText(int column) const;
    // A text as the program reads it, without a QString of its own; only for a column that holds
    // a text. Valid until the next call on this object.
    QStringView text(int column) const;
    // The value as the Qt driver delivers it to the program.
    FieldValue value(int column) const;

private:
    sqlite3 *m_database = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    bool m_utf16 = false;              // the file keeps its texts in UTF-16
    std::vector<int> m_types;          // of the current row's values, asked once per row
    mutable std::vector<QChar> m_text; // the last text() decoded
};
