#include "sqlite.h"

#include <QFile>

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

SqliteError errorOf(sqlite3 *handle, int code)
{
    const char *message = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
    return {handle ? sqlite3_extended_errcode(handle) : code, QString::fromUtf8(message)};
}

// A column declared so reads its numbers as True or False, as the program's first engine read
// them; the declared type of a view's column is that of the table column under it.
bool declaredBoolean(sqlite3_stmt *statement, int column)
{
    const char *declared = sqlite3_column_decltype(statement, column);
    if (!declared)
        return false;
    const QByteArray type = QByteArray(declared).toLower();
    return type == "boolean" || type == "bool";
}

// The one conversion of a stored value into the value the program compares.
FieldValue fieldValue(sqlite3_value *value, bool booleanColumn)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return FieldValue::null();
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double number = sqlite3_value_type(value) == SQLITE_INTEGER
                                  ? double(sqlite3_value_int64(value))
                                  : sqlite3_value_double(value);
        if (booleanColumn)
            return FieldValue::boolean(number != 0);
        return FieldValue::number(number);
    }
    case SQLITE_BLOB:
        return FieldValue::text(QString::fromUtf8(
            static_cast<const char *>(sqlite3_value_blob(value)), sqlite3_value_bytes(value)));
    default: {
        const void *text = sqlite3_value_text16(value);
        return FieldValue::text(
            QString(static_cast<const QChar *>(text), sqlite3_value_bytes16(value) / 2));
    }
    }
}

} // namespace

SqliteConnection::SqliteConnection(const QString &path, Access access, int lockWaitMs)
{
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    switch (access) {
    case Access::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Access::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Access::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    const int code =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags, nullptr);
    if (code != SQLITE_OK) {
        const SqliteError error = errorOf(m_handle, code);
        sqlite3_close(m_handle);
        m_handle = nullptr;
        throw error;
    }
    sqlite3_busy_timeout(m_handle, lockWaitMs);
    // A bank is data, never code: what its schema says runs only as far as the engine must.
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

SqliteConnection::~SqliteConnection()
{
    close();
}

void SqliteConnection::close()
{
    // Statements are finalized by their owners first; close_v2 copes with any left.
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

void SqliteConnection::deserialize(const QByteArray &image)
{
    const auto size = sqlite3_int64(image.size());
    auto *copy = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(size)));
    if (!copy)
        throw SqliteError{SQLITE_NOMEM, QStringLiteral("out of memory")};
    std::memcpy(copy, image.constData(), std::size_t(size));
    // A file in write-ahead mode names a log beside it, which memory has not: read and write it
    // as an ordinary journal's file, which any bank may be.
    if (size >= 20 && copy[18] == 2 && copy[19] == 2)
        copy[18] = copy[19] = 1;
    // The engine owns the copy from here on, also when it refuses it.
    const int code =
        sqlite3_deserialize(m_handle, "main", copy, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
    if (code != SQLITE_OK)
        throw errorOf(m_handle, code);
}

SqliteError SqliteConnection::lastError() const
{
    return errorOf(m_handle, m_handle ? sqlite3_errcode(m_handle) : SQLITE_MISUSE);
}

QByteArray SqliteConnection::serialize() const
{
    sqlite3_int64 size = 0;
    unsigned char *data = sqlite3_serialize(m_handle, "main", &size, 0);
    if (!data)
        throw SqliteError{SQLITE_NOMEM, QStringLiteral("out of memory")};
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    sqlite3_free(data);
    return bytes;
}

void SqliteConnection::run(const QString &sql)
{
    SqliteStatement statement(*this, sql);
    while (statement.next()) {
    }
}

bool SqliteConnection::inTransaction() const
{
    return m_handle && sqlite3_get_autocommit(m_handle) == 0;
}

qint64 SqliteConnection::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

SqliteStatement::SqliteStatement(SqliteConnection &connection, const QString &sql)
    : m_connection(connection)
{
    const QByteArray text = sql.toUtf8();
    if (!connection.handle())
        throw SqliteError{SQLITE_MISUSE, QStringLiteral("connection closed")};
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(connection.handle(), text.constData(), int(text.size()), &m_statement,
                           &tail) != SQLITE_OK)
        throw connection.lastError();
    if (!m_statement) // only blanks or comments
        throw SqliteError{SQLITE_MISUSE, QStringLiteral("empty statement")};
    // One statement at a time: a second one after it would otherwise be dropped unseen.
    sqlite3_stmt *next = nullptr;
    const int rest = sqlite3_prepare_v2(connection.handle(), tail,
                                        int(text.constData() + text.size() - tail), &next, nullptr);
    sqlite3_finalize(next);
    if (rest != SQLITE_OK || next) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        throw SqliteError{SQLITE_ERROR, QStringLiteral("unable to execute multiple statements at "
                                                       "a time")};
    }
    const int columns = sqlite3_column_count(m_statement);
    for (int i = 0; i < columns; ++i)
        m_booleanColumns.push_back(declaredBoolean(m_statement, i));
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(const QVariantList &values)
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &value = values[i];
        int code = SQLITE_OK;
        if (value.isNull()) {
            code = sqlite3_bind_null(m_statement, i + 1);
        } else {
            switch (value.typeId()) {
            case QMetaType::Bool:
                code = sqlite3_bind_int(m_statement, i + 1, value.toBool() ? 1 : 0);
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                code = sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
                break;
            case QMetaType::Double:
                code = sqlite3_bind_double(m_statement, i + 1, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                code = sqlite3_bind_blob(m_statement, i + 1, bytes.constData(), int(bytes.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                // As UTF-8: SQLite would take a leading U+FEFF or U+FFFE of UTF-16 text for a
                // byte-order mark and drop it or swap the bytes of the rest.
                const QByteArray text = value.toString().toUtf8();
                code = sqlite3_bind_text(m_statement, i + 1, text.constData(), int(text.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (code != SQLITE_OK)
            throw m_connection.lastError();
    }
}

bool SqliteStatement::next()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    const SqliteError error = m_connection.lastError();
    sqlite3_reset(m_statement);
    throw error;
}

void SqliteStatement::execute()
{
    while (next()) {
    }
}

int SqliteStatement::columnCount() const
{
    return int(m_booleanColumns.size());
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

FieldValue SqliteStatement::value(int column) const
{
    return fieldValue(sqlite3_column_value(m_statement, column),
                      m_booleanColumns[std::size_t(column)]);
}

QVariant SqliteStatement::storedValue(int column) const
{
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    const bool booleanColumn = m_booleanColumns[std::size_t(column)];
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        if (booleanColumn)
            return sqlite3_value_int64(value) != 0;
        return qlonglong(sqlite3_value_int64(value));
    case SQLITE_FLOAT: {
        const double number = sqlite3_value_double(value);
        if (booleanColumn)
            return number != 0;
        if (number == std::trunc(number) && std::fabs(number) < 0x1p63)
            return qlonglong(number);
        return number;
    }
    default: {
        // Null, a text and a blob as the program reads them.
        const FieldValue read = fieldValue(value, booleanColumn);
        return read.isNull() ? QVariant() : QVariant(read.asText());
    }
    }
}

SqliteStatement::Row SqliteStatement::row() const
{
    Row row;
    row.m_booleanColumns = m_booleanColumns;
    for (int i = 0; i < columnCount(); ++i)
        row.m_values.push_back(sqlite3_value_dup(sqlite3_column_value(m_statement, i)));
    return row;
}

SqliteStatement::Row::~Row()
{
    clear();
}

SqliteStatement::Row::Row(Row &&other) noexcept
    : m_values(std::exchange(other.m_values, {})),
      m_booleanColumns(std::move(other.m_booleanColumns))
{}

SqliteStatement::Row &SqliteStatement::Row::operator=(Row &&other) noexcept
{
    if (this != &other) {
        clear();
        m_values = std::exchange(other.m_values, {});
        m_booleanColumns = std::move(other.m_booleanColumns);
    }
    return *this;
}

void SqliteStatement::Row::clear()
{
    for (sqlite3_value *value : m_values)
        sqlite3_value_free(value);
    m_values.clear();
}

std::vector<FieldValue> SqliteStatement::Row::values() const
{
    std::vector<FieldValue> values;
    for (std::size_t i = 0; i < m_values.size(); ++i)
        values.push_back(fieldValue(m_values[i], m_booleanColumns[i]));
    return values;
}

FieldValue readValue(const QVariant &stored)
{
    if (stored.isNull())
        return FieldValue::null();
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return FieldValue::boolean(stored.toBool());
    case QMetaType::QString:
        return FieldValue::text(stored.toString());
    case QMetaType::QByteArray:
        return FieldValue::text(QString::fromUtf8(stored.toByteArray()));
    default:
        return FieldValue::number(stored.toDouble());
    }
}
