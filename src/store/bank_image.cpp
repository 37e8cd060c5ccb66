#include "bank_image.h"

#include "bank_file.h"
#include "bank_file_check.h"
#include "database.h"
#include "problem.h"
#include "runtime_error.h"
#include "safe_file.h"
#include "sqlite.h"

#include <QDir>
#include <QSet>

#include <stdexcept>

namespace {

// An INTEGER PRIMARY KEY would silently number a Null and refuse a repeat or a text in the
// engine's English, so the keys are looked at first.
template <class Row> void checkKeys(const std::vector<Row> &rows, const QString &table)
{
    QSet<qlonglong> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QVariant &id = rows[i].id;
        const QString where = QStringLiteral("таблица %1, строка %2").arg(table).arg(i + 1);
        if (id.isNull() || (id.typeId() != QMetaType::LongLong && id.typeId() != QMetaType::Int))
            throwProblem(QStringLiteral("%1: номер (id) «%2» — не целое число")
                             .arg(where, id.isNull() ? QStringLiteral("пусто") : id.toString()));
        if (seen.contains(id.toLongLong()))
            throwProblem(
                QStringLiteral("%1: номер (id) %2 повторяется").arg(where).arg(id.toLongLong()));
        seen.insert(id.toLongLong());
    }
}

void run(SqliteStatement &statement, const QVariantList &values, const QString &what)
{
    try {
        statement.bind(values);
        statement.execute();
    } catch (const SqliteError &error) {
        throwProblem(what + QStringLiteral(": ") + error.message);
    }
}

void insertQuestions(SqliteConnection &db, const std::vector<QuestionRow> &questions)
{
    SqliteStatement question(
        db, QStringLiteral("INSERT INTO questions (id, question, answ1, answ2, answ3, answ4, "
                           "ball, picture, type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QuestionRow &q : questions)
        run(question,
            {q.id, q.question, q.answers[0], q.answers[1], q.answers[2], q.answers[3], q.ball,
             q.picture, q.type},
            QStringLiteral("вопрос %1").arg(q.id.toString()));
}

void fill(SqliteConnection &db, const BankTables &tables)
{
    // Larger pages make the pass over the whole bank at each opening quicker.
    db.run(QStringLiteral("PRAGMA page_size = 16384"));
    for (const char *const *statement = BankSchema; *statement; ++statement)
        db.run(QString::fromLatin1(*statement));

    db.run(QStringLiteral("BEGIN"));
    SqliteStatement user(db,
                         QStringLiteral("INSERT INTO users (id, username, chek) VALUES (?, ?, ?)"));
    if (tables.users.empty())
        // A null QString would be bound as Null.
        run(user, {1, QStringLiteral(""), false}, QStringLiteral("строка users"));
    for (const UserRow &row : tables.users)
        run(user, {row.id, row.username, row.chek},
            QStringLiteral("строка users %1").arg(row.id.toString()));
    insertQuestions(db, tables.questions);
    db.run(QStringLiteral("COMMIT"));
}

} // namespace

QByteArray bankImage(const BankTables &tables)
{
    checkKeys(tables.questions, QStringLiteral("questions"));
    checkKeys(tables.users, QStringLiteral("users"));
    try {
        SqliteConnection db(QStringLiteral(":memory:"), SqliteConnection::Access::Create, 0);
        fill(db, tables);
        return db.serialize();
    } catch (const SqliteError &error) {
        throwProblem(QStringLiteral("банк не записан: ") + error.message);
    }
}

void replaceQuestions(SqliteConnection &db, const std::vector<QuestionRow> &questions)
{
    checkKeys(questions, QStringLiteral("questions"));
    // A trigger on the questions would fire on this rewrite and could change the attempt record
    // or the journal; the program refuses a bank with one, so it goes.
    QStringList names;
    {
        SqliteStatement triggers(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                    "'trigger' AND lower(tbl_name) = 'questions'"));
        while (triggers.next())
            names.push_back(triggers.value(0).asText());
    }
    for (const QString &name : names)
        db.run(QStringLiteral("DROP TRIGGER \"%1\"")
                   .arg(QString(name).replace(QLatin1Char('"'), QLatin1String("\"\""))));
    db.run(QStringLiteral("DELETE FROM questions"));
    insertQuestions(db, questions);
}

QByteArray bankImageWithQuestions(const QByteArray &base, const std::vector<QuestionRow> &questions)
{
    try {
        SqliteConnection db(QStringLiteral(":memory:"), SqliteConnection::Access::Create, 0);
        db.deserialize(base);
        db.run(QStringLiteral("BEGIN"));
        replaceQuestions(db, questions);
        db.run(QStringLiteral("COMMIT"));
        return db.serialize();
    } catch (const SqliteError &error) {
        throwProblem(QStringLiteral("банк не записан: ") + error.message);
    }
}

bool writeAheadWithoutLog(const QString &path)
{
    try {
        const QByteArray head = readFileStart(path, 20);
        // The header's write and read versions: 2 is write-ahead mode.
        return head.size() == 20 && head[18] == 2 && head[19] == 2 &&
               !somethingAt(path + QStringLiteral("-wal")) &&
               !somethingAt(path + QStringLiteral("-shm"));
    } catch (const std::exception &) {
        return false;
    }
}

QByteArray readBankImage(const QString &path)
{
    const QString absolute = QDir::current().absoluteFilePath(path);
    try {
        BankFileCheck::check(absolute, BankFileCheck::Access::ReadOnly);
        // Far above any bank: 32767 questions of the longest texts.
        constexpr qint64 BankLimit = qint64(1) << 30;
        if (writeAheadWithoutLog(absolute))
            return readRegularFile(absolute, BankLimit);
        SqliteConnection db(absolute, SqliteConnection::Access::ReadOnly, DBEngine::lockWait());
        db.run(QStringLiteral("BEGIN"));
        db.run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        QByteArray image = db.serialize();
        db.run(QStringLiteral("ROLLBACK"));
        return image;
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    } catch (const SqliteError &error) {
        throwProblem(QStringLiteral("%1: файл не читается: %2").arg(absolute, error.message));
    }
}
