#include "bank_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUuid>

#include <filesystem>
#include <stdexcept>

const char *const BankSchema[] = {
    "CREATE TABLE questions (id INTEGER PRIMARY KEY, question TEXT, answ1 TEXT, answ2 TEXT, "
    "answ3 TEXT, answ4 TEXT, ball INTEGER, picture TEXT, type INTEGER)",
    "CREATE TABLE users (id INTEGER PRIMARY KEY, username TEXT, chek BOOLEAN)",
    // The results journal (journal.h): one row per exam attempt, finished or not.
    "CREATE TABLE attempts (id INTEGER PRIMARY KEY, username TEXT NOT NULL, started TEXT NOT NULL, "
    "finished TEXT, right_answers INTEGER, passed BOOLEAN, questions INTEGER NOT NULL, "
    "host TEXT NOT NULL)",
    nullptr,
};

namespace {

constexpr int Weights[4] = {1, 4, 8, 16};

[[noreturn]] void fail(const QString &problem)
{
    throw std::runtime_error(problem.toStdString());
}

// One connection of its own, removed from Qt's list however the work ends.
class Connection final
{
public:
    Connection() : m_name(QUuid::createUuid().toString()) {}
    ~Connection()
    {
        if (m_database.isValid())
            m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase &open(const QString &name, const QString &options)
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_database.setDatabaseName(name);
        m_database.setConnectOptions(options);
        if (!m_database.open())
            fail(QStringLiteral("не удалось открыть файл: %1").arg(m_database.lastError().text()));
        return m_database;
    }

private:
    QString m_name;
    QSqlDatabase m_database;
};

void run(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        fail(what + QStringLiteral(": ") + query.lastError().text());
}

// An INTEGER PRIMARY KEY would silently number a Null and refuse a repeat or a text in the
// engine's English, so the keys are looked at first.
template <class Row> void checkKeys(const std::vector<Row> &rows, const QString &table)
{
    QSet<qlonglong> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QVariant &id = rows[i].id;
        const QString where = QStringLiteral("таблица %1, строка %2").arg(table).arg(i + 1);
        if (id.isNull() || (id.typeId() != QMetaType::LongLong && id.typeId() != QMetaType::Int))
            fail(QStringLiteral("%1: номер (id) «%2» — не целое число")
                     .arg(where, id.isNull() ? QStringLiteral("пусто") : id.toString()));
        if (seen.contains(id.toLongLong()))
            fail(QStringLiteral("%1: номер (id) %2 повторяется").arg(where).arg(id.toLongLong()));
        seen.insert(id.toLongLong());
    }
}

void fill(QSqlDatabase &db, const BankTables &tables)
{
    QSqlQuery query(db);
    // Larger pages make the pass over the whole bank at each opening quicker.
    query.prepare(QStringLiteral("PRAGMA page_size = 16384"));
    run(query, QStringLiteral("размер страницы"));
    for (const char *const *statement = BankSchema; *statement; ++statement) {
        query.prepare(QString::fromLatin1(*statement));
        run(query, QStringLiteral("таблица"));
    }

    db.transaction();
    query.prepare(QStringLiteral("INSERT INTO users (id, username, chek) VALUES (?, ?, ?)"));
    if (tables.users.empty()) {
        query.addBindValue(1);
        // A null QString would be bound as Null.
        query.addBindValue(QStringLiteral(""));
        query.addBindValue(false);
        run(query, QStringLiteral("строка users"));
    }
    for (const UserRow &user : tables.users) {
        query.addBindValue(user.id);
        query.addBindValue(user.username);
        query.addBindValue(user.chek);
        run(query, QStringLiteral("строка users %1").arg(user.id.toString()));
    }
    query.prepare(QStringLiteral("INSERT INTO questions (id, question, answ1, answ2, answ3, answ4, "
                                 "ball, picture, type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QuestionRow &q : tables.questions) {
        query.addBindValue(q.id);
        query.addBindValue(q.question);
        for (const QVariant &answer : q.answers)
            query.addBindValue(answer);
        query.addBindValue(q.ball);
        query.addBindValue(q.picture);
        query.addBindValue(q.type);
        run(query, QStringLiteral("вопрос %1").arg(q.id.toString()));
    }
    if (!db.commit())
        fail(QStringLiteral("запись вопросов: ") + db.lastError().text());
}

void refuseOtherFiles(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        fail(QStringLiteral("файла «%1» нет").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("файл «%1» не открывается: %2").arg(path, file.errorString()));
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return;
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        fail(QStringLiteral("«%1» — база Access/Jet; переведите её в банк программы командой "
                            "quorvane-bank import")
                 .arg(path));
    fail(QStringLiteral("«%1» не является банком вопросов (базой данных)").arg(path));
}

QSqlDatabase &openReadOnly(Connection &connection, const QString &path)
{
    refuseOtherFiles(path);
    QSqlDatabase &db = connection.open(
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?mode=ro"),
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
    // The engine reads nothing before the first statement; a write cut short (the program
    // killed, the power cut) must be undone first, and a reader that changes nothing cannot.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString journal = path + QStringLiteral("-journal");
        if (QFileInfo::exists(journal))
            fail(QStringLiteral("запись в банк прервана (рядом лежит «%1»): её отменит программа, "
                                "когда снова откроет банк; здесь банк только читается")
                     .arg(QFileInfo(journal).fileName()));
        fail(QStringLiteral("банк не читается: ") + probe.lastError().text());
    }
    return db;
}

// The tables' columns, so that a missing one is named rather than reported by the engine.
void requireColumns(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT lower(name) FROM pragma_table_info(?)"));
    query.addBindValue(table);
    run(query, QStringLiteral("таблица %1").arg(table));
    QStringList present;
    while (query.next())
        present.push_back(query.value(0).toString());
    if (present.isEmpty())
        fail(QStringLiteral("в банке нет таблицы %1").arg(table));
    QStringList missing;
    for (const QString &column : columns)
        if (!present.contains(column))
            missing.push_back(column);
    if (!missing.isEmpty())
        fail(QStringLiteral("в таблице %1 нет столбцов: %2").arg(table, missing.join(", ")));
}

// A value as the engine stores it: Null, a whole number, a text; a blob is read as its text and
// a real that is whole as the whole number.
QVariant stored(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toLongLong();
    case QMetaType::Double:
        if (value.toDouble() == static_cast<double>(static_cast<qlonglong>(value.toDouble())))
            return static_cast<qlonglong>(value.toDouble());
        return value;
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

// A value as the program converts it (database.cpp): a number in a column declared BOOLEAN is
// True or False, a blob is read as its UTF-8 text.
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
        if (booleanColumn)
            return FieldValue::boolean(value.toDouble() != 0);
        return FieldValue::number(value.toDouble());
    case QMetaType::QByteArray:
        return FieldValue::text(QString::fromUtf8(value.toByteArray()));
    default:
        return FieldValue::text(value.toString());
    }
}

} // namespace

int BankQuestion::ball() const
{
    int code = 0;
    for (int k = 0; k < 4; ++k)
        if (right[k])
            code += Weights[k];
    return code;
}

QuestionRow BankQuestion::row() const
{
    QuestionRow row;
    row.id = qlonglong(id);
    row.question = question;
    for (int k = 0; k < 4; ++k)
        row.answers[k] = answers[k];
    row.ball = qlonglong(ball());
    if (picture)
        row.picture = QString::number(*picture);
    row.type = qlonglong(type);
    return row;
}

void writeBankTables(const QString &path, const BankTables &tables)
{
    checkKeys(tables.questions, QStringLiteral("questions"));
    checkKeys(tables.users, QStringLiteral("users"));
    const QFileInfo target(path);
    const QString building = target.dir().filePath(
        QStringLiteral(".%1.%2.part")
            .arg(target.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(12)));
    try {
        {
            Connection connection;
            QSqlDatabase &db = connection.open(building, {});
            fill(db, tables);
        }
        std::error_code error;
        std::filesystem::rename(building.toStdString(), path.toStdString(), error);
        if (error)
            fail(QStringLiteral("не удалось заменить %1: %2")
                     .arg(path, QString::fromLocal8Bit(error.message().c_str())));
    } catch (...) {
        QFile::remove(building);
        QFile::remove(building + QStringLiteral("-journal"));
        throw;
    }
}

void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions)
{
    BankTables tables;
    for (const BankQuestion &question : questions)
        tables.questions.push_back(question.row());
    writeBankTables(path, tables);
}

BankTables readBankTables(const QString &path)
{
    Connection connection;
    QSqlDatabase &db = openReadOnly(connection, path);
    requireColumns(
        db, QStringLiteral("questions"),
        {"id", "question", "answ1", "answ2", "answ3", "answ4", "ball", "picture", "type"});
    requireColumns(db, QStringLiteral("users"), {"id", "username", "chek"});

    BankTables tables;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT id, question, answ1, answ2, answ3, answ4, ball, picture, type FROM questions"));
    run(query, QStringLiteral("таблица questions"));
    while (query.next()) {
        QuestionRow row;
        row.id = stored(query.value(0));
        row.question = stored(query.value(1));
        for (int k = 0; k < 4; ++k)
            row.answers[k] = stored(query.value(2 + k));
        row.ball = stored(query.value(6));
        row.picture = stored(query.value(7));
        row.type = stored(query.value(8));
        tables.questions.push_back(std::move(row));
    }
    query.prepare(QStringLiteral("SELECT id, username, chek FROM users"));
    run(query, QStringLiteral("таблица users"));
    const bool booleanChek = query.record().field(2).metaType().id() == QMetaType::Bool;
    while (query.next()) {
        UserRow row{stored(query.value(0)), stored(query.value(1)), stored(query.value(2))};
        if (booleanChek && !row.chek.isNull() && row.chek.typeId() == QMetaType::LongLong)
            row.chek = row.chek.toLongLong() != 0;
        tables.users.push_back(std::move(row));
    }
    return tables;
}

std::vector<Journal::Entry> readJournal(const QString &path)
{
    Connection connection;
    QSqlDatabase &db = openReadOnly(connection, path);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                 "name = ? COLLATE NOCASE"));
    query.addBindValue(Journal::Table);
    run(query, QStringLiteral("список таблиц"));
    if (!query.next() || query.value(0).toInt() == 0)
        fail(QStringLiteral("в банке нет журнала попыток (таблицы attempts): банк сделан не "
                            "командой quorvane-bank make или import"));
    requireColumns(
        db, Journal::Table,
        {"id", "username", "started", "finished", "right_answers", "passed", "questions", "host"});

    std::vector<Journal::Entry> entries;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, username, started, finished, right_answers, passed, "
                                 "questions, host FROM attempts ORDER BY id"));
    run(query, QStringLiteral("таблица attempts"));
    const QSqlRecord record = query.record();
    while (query.next()) {
        std::vector<FieldValue> row;
        for (int column = 0; column < record.count(); ++column)
            row.push_back(fieldValue(query.value(column),
                                     record.field(column).metaType().id() == QMetaType::Bool));
        entries.push_back(Journal::entryFromRow(row));
    }
    if (query.lastError().isValid())
        fail(QStringLiteral("таблица attempts: ") + query.lastError().text());
    return entries;
}
