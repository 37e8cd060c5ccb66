#include "database.h"

#include "engine_errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>
#include <optional>

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

FieldValue fieldValue(const QVariant &value, bool booleanColumn)
{
    if (value.isNull())
        return FieldValue::null();
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double:
        // A column declared Boolean stores any non-zero number as True.
        if (booleanColumn)
            return FieldValue::boolean(value.toDouble() != 0);
        return FieldValue::number(value.toDouble());
    case QMetaType::QByteArray:
        return FieldValue::text(QString::fromUtf8(value.toByteArray()));
    default:
        return FieldValue::text(value.toString());
    }
}

std::vector<FieldValue> fieldValues(const QVariantList &row, const std::vector<bool> &booleans)
{
    std::vector<FieldValue> values;
    values.reserve(row.size());
    for (qsizetype i = 0; i < row.size(); ++i)
        values.push_back(fieldValue(row[i], booleans[i]));
    return values;
}

// Which columns of a result are declared Boolean, and so read numbers as True or False.
std::vector<bool> booleanColumns(const QSqlRecord &record)
{
    std::vector<bool> booleans;
    for (int i = 0; i < record.count(); ++i)
        booleans.push_back(record.field(i).metaType().id() == QMetaType::Bool);
    return booleans;
}

void readRow(const QSqlQuery &query, QVariantList &row)
{
    for (qsizetype i = 0; i < row.size(); ++i)
        row[i] = query.value(static_cast<int>(i));
}

// The fields of the file's header that the engine checks on opening. A damaged one would
// otherwise pass as a read-only file or show only at the first read.
bool isSoundHeader(const QByteArray &header)
{
    if (header.size() < 100)
        return false;
    const auto byte = [&](int i) { return static_cast<unsigned char>(header[i]); };
    const unsigned pageSize = byte(16) << 8 | byte(17);
    const bool pageSizeOk = pageSize == 1 || (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0);
    const bool versionsOk = (byte(18) == 1 || byte(18) == 2) && (byte(19) == 1 || byte(19) == 2);
    const bool fractionsOk = byte(21) == 64 && byte(22) == 32 && byte(23) == 32;
    return pageSizeOk && versionsOk && fractionsOk;
}

// Refuses what cannot be opened for reading and writing as a database, before the engine sees
// it: the engine would create a missing file and silently fall back to reading a read-only one.
void checkFile(const QFileInfo &file)
{
    const QString path = file.absoluteFilePath();
    if (!file.exists())
        throw EngineErrors::fileMissing(file.fileName(), file.absolutePath());
    if (file.isDir())
        throw EngineErrors::notADatabase(path, QStringLiteral("это папка, а не файл"));
    if (!file.isFile())
        throw EngineErrors::notADatabase(path, QStringLiteral("это не обычный файл"));

    QFile device(path);
    if (!device.open(QIODevice::ReadOnly))
        throw EngineErrors::cannotOpen(path, QStringLiteral("файл нельзя прочитать"),
                                       device.errorString());
    const QByteArray header = device.read(100);
    if (header.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") ||
        header.mid(4, 15) == QByteArrayLiteral("Standard ACE DB"))
        throw EngineErrors::notADatabase(
            path, QStringLiteral("это база данных Microsoft Access (Jet), а программа читает банк "
                                 "только в своём формате. Переведите банк командой "
                                 "«quorvane-bank import СТАРЫЙ.mdb data.mdb»"));
    if (!header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw EngineErrors::notADatabase(path, QStringLiteral("файл не является базой данных"));
    if (!isSoundHeader(header))
        throw EngineErrors::notADatabase(path, QStringLiteral("заголовок файла повреждён"));

    // The owner, group and other bits are read as stored: for the superuser every file counts as
    // writable by the effective user.
    const QFile::Permissions writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!file.isWritable() || !(file.permissions() & writeBits))
        throw EngineErrors::readOnly(path, QStringLiteral("файл доступен только для чтения"));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isWritable())
        throw EngineErrors::readOnly(
            path, QStringLiteral("в папке «%1» нельзя создать файл журнала изменений")
                      .arg(folder.absoluteFilePath()));
}

// A select whose plan is one plain scan of a table reads that table in the order of its row ids,
// with or without a condition, so its last row is the one with the largest row id: the table is
// read backwards from its end instead of through. Empty when the plan is any other, or when a
// column is named like the row id and would stand in for it.
std::optional<QVariantList> lastRowOfTableScan(const QSqlDatabase &database, const QString &sql,
                                               const QSqlRecord &record)
{
    static const QRegularExpression rowIdName(QStringLiteral("^(rowid|_rowid_|oid)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    for (int i = 0; i < record.count(); ++i)
        if (rowIdName.match(record.fieldName(i)).hasMatch())
            return std::nullopt;

    // The statement must name the scanned object itself, and that object must be a table: a view
    // scans the tables under it, whose row ids say nothing of the view's order.
    static const QRegularExpression fromOne(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\w+)(?:\s+where\b.*)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch from = fromOne.match(sql);
    if (!from.hasMatch())
        return std::nullopt;

    QSqlQuery plan(database);
    if (!plan.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql) || !plan.next())
        return std::nullopt;
    static const QRegularExpression plainScan(QStringLiteral(R"(^SCAN (?:TABLE )?(\w+)$)"));
    const QRegularExpressionMatch scan = plainScan.match(plan.value(3).toString());
    if (!scan.hasMatch() || plan.next() ||
        scan.captured(1).compare(from.captured(1), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    plan.finish();

    QSqlQuery kind(database);
    kind.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    kind.addBindValue(scan.captured(1));
    if (!kind.exec() || !kind.next() || kind.value(0).toString() != QLatin1String("table"))
        return std::nullopt;
    kind.finish();

    QSqlQuery columns(database);
    if (!columns.exec(
            QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(scan.captured(1))))
        return std::nullopt;
    bool found = false;
    for (; columns.next(); found = true)
        if (rowIdName.match(columns.value(0).toString()).hasMatch())
            return std::nullopt;
    if (!found)
        return std::nullopt;

    QSqlQuery last(database);
    last.setForwardOnly(true);
    if (!last.exec(sql + QStringLiteral("\nORDER BY rowid DESC LIMIT 1")) || !last.next() ||
        last.record().count() != record.count())
        return std::nullopt;
    QVariantList row(record.count());
    readRow(last, row);
    return row;
}

// The last row of a select without converting the rows before it, which costs most of the time
// of a full read: the rows are counted, then the statement, wrapped, skips to the last one. The
// wrapped statement runs the same plan, so its rows come in the same order. Empty when the
// statement cannot be wrapped or the passes disagree; the caller then reads every row.
std::optional<QVariantList> lastRowBySkipping(const QSqlDatabase &database, const QString &sql,
                                              const QVariantList &first)
{
    // Line breaks keep a trailing comment of the statement from swallowing the parenthesis.
    const QString wrapped = QStringLiteral("(\n%1\n)").arg(sql);
    QSqlQuery count(database);
    if (!count.exec(QStringLiteral("SELECT count(*) FROM %1").arg(wrapped)) || !count.next())
        return std::nullopt;
    const qint64 rows = count.value(0).toLongLong();
    count.finish();
    if (rows == 1)
        return first;
    if (rows < 1)
        return std::nullopt;

    QSqlQuery last(database);
    last.setForwardOnly(true);
    if (!last.exec(
            QStringLiteral("SELECT * FROM %1 LIMIT 1 OFFSET %2").arg(wrapped).arg(rows - 1)) ||
        !last.next() || last.record().count() != first.size())
        return std::nullopt;
    QVariantList row(first.size());
    readRow(last, row);
    return row;
}

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("quorvane-store-%1").arg(++counter);
}

} // namespace

// One open SQLite connection, shared by the copies of a Database.
class Database::Connection final
{
public:
    explicit Connection(QString path);
    ~Connection();
    Q_DISABLE_COPY_MOVE(Connection)

    const QString &path() const { return m_path; }
    QSqlDatabase database() const { return m_database; }

private:
    // Removes the connection from Qt's list; declared first, so it runs last, also when the
    // constructor throws.
    struct Registration final
    {
        explicit Registration(QString name) : name(std::move(name)) {}
        ~Registration() { QSqlDatabase::removeDatabase(name); }
        Q_DISABLE_COPY_MOVE(Registration)
        QString name;
    };

    void run(const QString &statement);

    Registration m_registration;
    QSqlDatabase m_database;
    QString m_path;

public:
    // Every connection open in the process, for CloseAll.
    static std::vector<Connection *> &open()
    {
        static std::vector<Connection *> connections;
        return connections;
    }
    void close() { m_database.close(); }
};

Database::Connection::Connection(QString path)
    : m_registration(nextConnectionName()),
      m_database(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_registration.name)),
      m_path(std::move(path))
{
    // mode=rw: the engine must never create the file, even if it vanished since it was checked.
    m_database.setDatabaseName(QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded) +
                               QStringLiteral("?mode=rw"));
    m_database.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitMs));
    if (!m_database.open())
        throw EngineErrors::openFailed(m_path, m_database.lastError());

    // Every write is on disk when its statement returns.
    run(QStringLiteral("PRAGMA synchronous = FULL"));
    // The bank is read through a small page cache, not mapped: a mapped file stays in the
    // program's memory once its pages are read, and the check at opening reads every page.
    run(QStringLiteral("PRAGMA mmap_size = 0"));
    run(QStringLiteral("PRAGMA cache_size = %1").arg(-cacheKiB));
    // A write transaction that is rolled back at once finds out, without changing anything,
    // whether the file is locked, read-only or damaged, which otherwise shows only at the first
    // write.
    run(QStringLiteral("BEGIN IMMEDIATE"));
    run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    run(QStringLiteral("ROLLBACK"));
    open().push_back(this);
}

Database::Connection::~Connection()
{
    std::erase(open(), this);
    m_database.close();
    m_database = QSqlDatabase();
}

void Database::Connection::run(const QString &statement)
{
    QSqlQuery query(m_database);
    if (!query.exec(statement))
        throw EngineErrors::openFailed(m_path, query.lastError());
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

QSqlQuery Database::runSelect(const QString &sql)
{
    if (!isSelect(sql))
        throw EngineErrors::notASelect(sql);
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw EngineErrors::statementFailed(path(), sql, query.lastError());
    return query;
}

Recordset Database::OpenRecordset(const QString &sql)
{
    // While this select is still running, the connection keeps its read of the file open, so the
    // later passes over the result see the same rows even if another program writes meanwhile.
    QSqlQuery query = runSelect(sql);
    const QSqlRecord record = query.record();
    const std::vector<bool> booleans = booleanColumns(record);
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns.push_back(record.fieldName(i));

    QVariantList first(record.count());
    if (!query.next()) {
        if (query.lastError().isValid())
            throw EngineErrors::statementFailed(path(), sql, query.lastError());
        return Recordset(sql, columns, {}, {});
    }
    readRow(query, first);

    std::optional<QVariantList> last;
    if (!query.next()) {
        if (query.lastError().isValid())
            throw EngineErrors::statementFailed(path(), sql, query.lastError());
        // A single row, as for one question: no further pass.
        last = first;
    } else {
        last = lastRowOfTableScan(m_connection->database(), sql, record);
        if (!last)
            last = lastRowBySkipping(m_connection->database(), sql, first);
        if (!last) {
            // The statement does not fit the shortcut: read every row.
            last = QVariantList(record.count());
            do
                readRow(query, *last);
            while (query.next());
            if (query.lastError().isValid())
                throw EngineErrors::statementFailed(path(), sql, query.lastError());
        }
    }
    query.finish();
    return Recordset(sql, columns, fieldValues(first, booleans), fieldValues(*last, booleans));
}

std::vector<std::vector<FieldValue>> Database::Rows(const QString &sql)
{
    QSqlQuery query = runSelect(sql);
    const QSqlRecord record = query.record();
    const std::vector<bool> booleans = booleanColumns(record);

    std::vector<std::vector<FieldValue>> rows;
    QVariantList row(record.count());
    while (query.next()) {
        readRow(query, row);
        rows.push_back(fieldValues(row, booleans));
    }
    if (query.lastError().isValid())
        throw EngineErrors::statementFailed(path(), sql, query.lastError());
    return rows;
}

void Database::Execute(const QString &sql)
{
    Execute(sql, {});
}

void Database::Execute(const QString &sql, const QVariantList &boundValues)
{
    if (isSelect(sql))
        throw EngineErrors::selectExecuted(sql);
    QSqlQuery query(m_connection->database());
    if (!query.prepare(sql))
        throw EngineErrors::statementFailed(path(), sql, query.lastError());
    for (const QVariant &value : boundValues)
        query.addBindValue(value);
    if (!query.exec())
        throw EngineErrors::statementFailed(path(), sql, query.lastError());
    query.finish();
}

void Database::ExecuteTogether(const std::vector<Change> &changes)
{
    if (changes.empty())
        return;
    QSqlDatabase database = m_connection->database();
    const auto control = [&](const QString &statement) {
        QSqlQuery query(database);
        if (!query.exec(statement))
            throw EngineErrors::statementFailed(path(), changes.front().sql, query.lastError());
    };
    // Immediate: the write lock is taken (or waited for) before the first change, not between
    // two of them.
    control(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const Change &change : changes)
            Execute(change.sql, change.boundValues);
        control(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

bool Database::HasTable(const QString &name)
{
    QSqlQuery query(m_connection->database());
    query.prepare(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        throw EngineErrors::statementFailed(path(), QStringLiteral("sqlite_master"),
                                            query.lastError());
    return query.value(0).toInt() > 0;
}

const QString &Database::path() const
{
    return m_connection->path();
}

void DBEngine::CloseAll()
{
    for (Database::Connection *connection : Database::Connection::open())
        connection->close();
}

void DBEngine::setLockWait(int milliseconds)
{
    lockWaitMs = milliseconds;
}

Database DBEngine::OpenDatabase(const QString &name)
{
    const QFileInfo file(QDir::current().absoluteFilePath(name));
    checkFile(file);
    return Database(std::make_shared<Database::Connection>(file.absoluteFilePath()));
}
