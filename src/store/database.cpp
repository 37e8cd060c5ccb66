#include "database.h"

#include "bank_file_check.h"
#include "engine_errors.h"
#include "sqlite.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace {

// How long a statement waits for another program's lock on the file (a backup, an indexer, a
// second reader) before it gives up: long enough for them to finish, so that a result is not
// lost to a passing lock.
int lockWaitMs = 30000;
// Enough for the few pages a question's select reads; a pass over the table gains nothing from
// more.
constexpr int cacheKiB = 512;

bool isSelect(const QString &sql)
{
    static const QRegularExpression select(QStringLiteral(R"(^\s*\(*\s*select\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return select.match(sql).hasMatch();
}

std::vector<FieldValue> rowOf(const SqliteStatement &statement)
{
    std::vector<FieldValue> row;
    row.reserve(std::size_t(statement.columnCount()));
    for (int i = 0; i < statement.columnCount(); ++i)
        row.push_back(statement.value(i));
    return row;
}

} // namespace

// One open connection, shared by the copies of a Database.
class Database::Connection final
{
public:
    Connection(QString path, DBEngine::Access access);
    Connection(const QByteArray &image, const QString &shownPath);
    ~Connection();
    Q_DISABLE_COPY_MOVE(Connection)

    const QString &path() const { return m_path; }
    SqliteConnection &sqlite() { return m_sqlite; }

    // Runs a statement the layer itself needs; a failure is reported as `statement`'s.
    void control(const QString &sql, const QString &statement);

    // Every connection open in the process, for CloseAll.
    static std::vector<Connection *> &open()
    {
        static std::vector<Connection *> connections;
        return connections;
    }

private:
    static SqliteConnection::Access sqliteAccess(DBEngine::Access access);

    QString m_path;
    SqliteConnection m_sqlite;
};

SqliteConnection::Access Database::Connection::sqliteAccess(DBEngine::Access access)
{
    return access == DBEngine::Access::ReadOnly ? SqliteConnection::Access::ReadOnly
                                                : SqliteConnection::Access::ReadWrite;
}

// A refusal of the engine's, while opening or while settling the connection, is reported as
// the file's.
Database::Connection::Connection(QString path, DBEngine::Access access)
try : m_path(path), m_sqlite(path, sqliteAccess(access), lockWaitMs) {
    // Every write is on disk when its statement returns.
    m_sqlite.run(QStringLiteral("PRAGMA synchronous = FULL"));
    // The bank is read through a small page cache, not mapped: a mapped file stays in the
    // program's memory once its pages are read, and the check at opening reads every page.
    m_sqlite.run(QStringLiteral("PRAGMA mmap_size = 0"));
    m_sqlite.run(QStringLiteral("PRAGMA cache_size = %1").arg(-cacheKiB));
    // Sorting for the checks stays in memory, never in a file of its own.
    m_sqlite.run(QStringLiteral("PRAGMA temp_store = MEMORY"));
    if (access == DBEngine::Access::ReadWrite) {
        // A write transaction that is rolled back at once finds out, without changing anything,
        // whether the file is locked, read-only or damaged, which otherwise shows only at the
        // first write.
        m_sqlite.run(QStringLiteral("BEGIN IMMEDIATE"));
        m_sqlite.run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        m_sqlite.run(QStringLiteral("ROLLBACK"));
    } else {
        // The engine reads nothing before the first statement.
        m_sqlite.run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    }
    open().push_back(this);
} catch (const SqliteError &error) {
    throw EngineErrors::openFailed(path, error);
}

Database::Connection::Connection(const QByteArray &image, const QString &shownPath)
try : m_path(shownPath), m_sqlite(QStringLiteral(":memory:"), SqliteConnection::Access::Create, 0) {
    m_sqlite.deserialize(image);
    m_sqlite.run(QStringLiteral("PRAGMA temp_store = MEMORY"));
    m_sqlite.run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    open().push_back(this);
} catch (const SqliteError &error) {
    throw EngineErrors::openFailed(shownPath, error);
}

Database::Connection::~Connection()
{
    std::erase(open(), this);
}

void Database::Connection::control(const QString &sql, const QString &statement)
{
    try {
        m_sqlite.run(sql);
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(m_path, statement, error);
    }
}

Recordset::Recordset(QString statement, QStringList columns, std::vector<FieldValue> first,
                     std::vector<FieldValue> last)
    : m_statement(std::move(statement)), m_columns(std::move(columns)), m_first(std::move(first)),
      m_last(std::move(last))
{}

FieldValue Recordset::Fields(const QString &name) const
{
    qsizetype column = 0;
    while (column < m_columns.size() && m_columns[column].compare(name, Qt::CaseInsensitive) != 0)
        ++column;
    if (column == m_columns.size())
        throw EngineErrors::noSuchField(name, m_statement);
    if (EOF_())
        throw EngineErrors::noCurrentRecord(m_statement);
    return (m_onLast ? m_last : m_first)[column];
}

void Recordset::MoveLast()
{
    if (EOF_())
        throw EngineErrors::noCurrentRecord(m_statement);
    m_onLast = true;
}

Database::Database(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{}

Recordset Database::OpenRecordset(const QString &sql)
{
    if (!isSelect(sql))
        throw EngineErrors::notASelect(sql);
    try {
        // The statement runs to its end here, so no read is left pending on the connection (it
        // would hold the file's lock and delay later writes). The last row is the last the
        // statement returns, whatever it reads: a table, a view, an index.
        SqliteStatement statement(m_connection->sqlite(), sql);
        QStringList columns;
        for (int i = 0; i < statement.columnCount(); ++i)
            columns.push_back(statement.columnName(i));
        if (!statement.next())
            return Recordset(sql, columns, {}, {});
        std::vector<FieldValue> first = rowOf(statement);
        if (!statement.next())
            return Recordset(sql, columns, first, first);
        if (std::optional<std::vector<FieldValue>> last = lastRowBySkipping(sql, columns.size()))
            return Recordset(sql, columns, std::move(first), std::move(*last));
        // A statement that cannot be wrapped: each row is kept as the engine holds it until the
        // next step tells whether it was the last.
        SqliteStatement::Row last;
        do
            last = statement.row();
        while (statement.next());
        return Recordset(sql, columns, std::move(first), last.values());
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), sql, error);
    }
}

std::optional<std::vector<FieldValue>> Database::lastRowBySkipping(const QString &sql,
                                                                   qsizetype columns)
{
    // The same statement, wrapped, counts its rows and then skips to the last one: skipped rows
    // are not even read, so a bank of 32767 questions costs a few milliseconds. The caller's
    // statement is still open, so both passes read the file as it was when it began. Line breaks
    // keep a trailing comment from swallowing the parenthesis.
    const QString wrapped = QStringLiteral("(\n%1\n)").arg(sql);
    try {
        SqliteStatement count(m_connection->sqlite(),
                              QStringLiteral("SELECT count(*) FROM %1").arg(wrapped));
        if (!count.next())
            return std::nullopt;
        const std::optional<double> rows = numberOf(count.value(0));
        if (!rows || *rows < 2)
            return std::nullopt;
        SqliteStatement last(m_connection->sqlite(),
                             QStringLiteral("SELECT * FROM %1 LIMIT 1 OFFSET %2")
                                 .arg(wrapped)
                                 .arg(qint64(*rows) - 1));
        if (!last.next() || last.columnCount() != columns)
            return std::nullopt;
        return rowOf(last);
    } catch (const SqliteError &) {
        return std::nullopt;
    }
}

void Database::ForEachRow(const QString &sql,
                          const std::function<void(const std::vector<FieldValue> &)> &take)
{
    if (!isSelect(sql))
        throw EngineErrors::notASelect(sql);
    try {
        SqliteStatement statement(m_connection->sqlite(), sql);
        while (statement.next())
            take(rowOf(statement));
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), sql, error);
    }
}

std::vector<std::vector<FieldValue>> Database::Rows(const QString &sql)
{
    std::vector<std::vector<FieldValue>> rows;
    ForEachRow(sql, [&](const std::vector<FieldValue> &row) { rows.push_back(row); });
    return rows;
}

std::vector<QVariantList> Database::StoredRows(const QString &sql)
{
    if (!isSelect(sql))
        throw EngineErrors::notASelect(sql);
    try {
        SqliteStatement statement(m_connection->sqlite(), sql);
        std::vector<QVariantList> rows;
        while (statement.next()) {
            QVariantList &row = rows.emplace_back();
            for (int i = 0; i < statement.columnCount(); ++i)
                row.push_back(statement.storedValue(i));
        }
        return rows;
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), sql, error);
    }
}

void Database::Execute(const QString &sql)
{
    Execute(sql, {});
}

void Database::Execute(const QString &sql, const QVariantList &boundValues)
{
    if (isSelect(sql))
        throw EngineErrors::selectExecuted(sql);
    try {
        SqliteStatement statement(m_connection->sqlite(), sql);
        statement.bind(boundValues);
        statement.execute();
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), sql, error);
    }
}

std::optional<qint64> Database::ExecuteWithJournal(const Change &record,
                                                   const std::optional<Change> &journal,
                                                   const std::optional<Change> &answers)
{
    if (!journal) {
        Execute(record.sql, record.boundValues);
        return std::nullopt;
    }
    std::optional<qint64> inserted;
    // Immediate: the write lock is taken (or waited for) before the record's change, not between
    // it and the journal's.
    const bool own = !m_connection->sqlite().inTransaction();
    if (own)
        m_connection->control(QStringLiteral("BEGIN IMMEDIATE"), record.sql);
    try {
        Execute(record.sql, record.boundValues);
        if (executeAlone(*journal, "Журнал попыток не изменён")) {
            inserted = m_connection->sqlite().lastInsertRowId();
            if (answers)
                executeAlone(*answers, "Ответы попытки не записаны");
        }
        if (own)
            m_connection->control(QStringLiteral("COMMIT"), record.sql);
    } catch (...) {
        if (own)
            rollBack();
        throw;
    }
    return inserted;
}

bool Database::executeAlone(const Change &change, const char *refused)
{
    m_connection->control(QStringLiteral("SAVEPOINT alone"), change.sql);
    bool made = true;
    try {
        Execute(change.sql, change.boundValues);
    } catch (const RuntimeError &error) {
        made = false;
        m_connection->control(QStringLiteral("ROLLBACK TO alone"), change.sql);
        std::fprintf(
            stderr, "%s: %d %s%s\n", refused, error.number(), qPrintable(error.description()),
            error.detail().isEmpty() ? ""
                                     : qPrintable(QStringLiteral(" (%1)").arg(error.detail())));
    }
    m_connection->control(QStringLiteral("RELEASE alone"), change.sql);
    return made;
}

void Database::WriteTransaction(const std::function<void()> &work)
{
    m_connection->control(QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        m_connection->control(QStringLiteral("COMMIT"), QStringLiteral("COMMIT"));
    } catch (...) {
        rollBack();
        throw;
    }
}

void Database::rollBack()
{
    try {
        m_connection->sqlite().run(QStringLiteral("ROLLBACK"));
    } catch (const SqliteError &) {
        // Nothing to undo: the engine rolled back by itself.
    }
}

bool Database::HasTable(const QString &name)
{
    const QString sql = QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
    try {
        SqliteStatement statement(m_connection->sqlite(), sql);
        statement.bind({name});
        return statement.next() && statement.value(0).asNumber() > 0;
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), QStringLiteral("sqlite_master"), error);
    }
}

QStringList Database::Columns(const QString &table)
{
    const QString sql = QStringLiteral("SELECT lower(name) FROM pragma_table_info(?)");
    try {
        SqliteStatement statement(m_connection->sqlite(), sql);
        statement.bind({table});
        QStringList names;
        while (statement.next())
            names.push_back(statement.value(0).asText());
        return names;
    } catch (const SqliteError &error) {
        throw EngineErrors::statementFailed(path(), sql, error);
    }
}

const QString &Database::path() const
{
    return m_connection->path();
}

void DBEngine::CloseAll()
{
    for (Database::Connection *connection : Database::Connection::open())
        connection->sqlite().close();
}

void DBEngine::setLockWait(int milliseconds)
{
    lockWaitMs = milliseconds;
}

int DBEngine::lockWait()
{
    return lockWaitMs;
}

Database DBEngine::OpenImage(const QByteArray &image, const QString &shownPath)
{
    return Database(std::make_shared<Database::Connection>(image, shownPath));
}

Database DBEngine::OpenDatabase(const QString &name, Access access)
{
    const QString path = QDir::current().absoluteFilePath(name);
    BankFileCheck::check(path, access == Access::ReadOnly ? BankFileCheck::Access::ReadOnly
                                                          : BankFileCheck::Access::ReadWrite);
    return Database(
        std::make_shared<Database::Connection>(QFileInfo(path).absoluteFilePath(), access));
}
