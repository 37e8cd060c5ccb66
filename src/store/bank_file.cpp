#include "bank_file.h"

#include "bank_image.h"
#include "problem.h"

#include "database.h"
#include "rules.h"
#include "runtime_error.h"
#include "safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <stdexcept>

const char *const BankSchema[] = {
    "CREATE TABLE questions (id INTEGER PRIMARY KEY, question TEXT, answ1 TEXT, answ2 TEXT, "
    "answ3 TEXT, answ4 TEXT, ball INTEGER, picture TEXT, type INTEGER)",
    "CREATE TABLE users (id INTEGER PRIMARY KEY, username TEXT, chek BOOLEAN)",
    // The results journal (journal.h): one row per exam attempt, finished or not.
    "CREATE TABLE attempts (id INTEGER PRIMARY KEY, username TEXT NOT NULL, started TEXT NOT NULL, "
    "finished TEXT, right_answers INTEGER, passed BOOLEAN, questions INTEGER NOT NULL, "
    "host TEXT NOT NULL, account TEXT)",
    // Every answer of a finished attempt (journal.h), with the digest of the question as shown.
    "CREATE TABLE answers (attempt INTEGER NOT NULL REFERENCES attempts(id), place INTEGER NOT "
    "NULL, question INTEGER NOT NULL, code INTEGER NOT NULL, scored INTEGER NOT NULL, seconds "
    "REAL NOT NULL, shown BLOB NOT NULL, PRIMARY KEY (attempt, place))",
    nullptr,
};

namespace {

// The bank opened for reading only, with the engine's refusals in the tool's words.
Database openForReading(const QString &path)
{
    try {
        return DBEngine::OpenDatabase(path, DBEngine::Access::ReadOnly);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
}

std::vector<std::vector<FieldValue>> rows(Database &db, const QString &sql)
{
    try {
        return db.Rows(sql);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
}

// The same with the values as the file keeps them, whole numbers exactly.
std::vector<QVariantList> storedRows(Database &db, const QString &sql)
{
    try {
        return db.StoredRows(sql);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
}

// The tables' columns, so that a missing one is named rather than reported by the engine.
void requireColumns(Database &db, const QString &table, const QStringList &columns)
{
    QStringList present;
    try {
        present = db.Columns(table);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
    if (present.isEmpty())
        throwProblem(QStringLiteral("в банке нет таблицы %1").arg(table));
    QStringList missing;
    for (const QString &column : columns)
        if (!present.contains(column))
            missing.push_back(column);
    if (!missing.isEmpty())
        throwProblem(
            QStringLiteral("в таблице %1 нет столбцов: %2").arg(table, missing.join(", ")));
}

} // namespace

QByteArray writeBankTables(const QString &path, const BankTables &tables, bool replace)
{
    // Built in memory and written as a whole: no engine opens a file by name in a folder that
    // another account may be able to change.
    const QByteArray bytes = bankImage(tables);
    FileReplacement replacement(path);
    replacement.write(bytes);
    replacement.commit(replace);
    return bytes;
}

namespace {

BankTables tablesOf(Database &db)
{
    requireColumns(
        db, QStringLiteral("questions"),
        {"id", "question", "answ1", "answ2", "answ3", "answ4", "ball", "picture", "type"});
    requireColumns(db, QStringLiteral("users"), {"id", "username", "chek"});

    BankTables tables;
    for (const QVariantList &row :
         storedRows(db, QStringLiteral("SELECT id, question, answ1, answ2, answ3, answ4, ball, "
                                       "picture, type FROM questions"))) {
        QuestionRow question;
        question.id = row[0];
        question.question = row[1];
        for (int k = 0; k < 4; ++k)
            question.answers[k] = row[2 + k];
        question.ball = row[6];
        question.picture = row[7];
        question.type = row[8];
        tables.questions.push_back(std::move(question));
    }
    for (const QVariantList &row :
         storedRows(db, QStringLiteral("SELECT id, username, chek FROM users")))
        tables.users.push_back({row[0], row[1], row[2]});
    return tables;
}

} // namespace

BankTables readBankTables(const QString &path)
{
    Database db = openForReading(path);
    return tablesOf(db);
}

BankTables readBankTables(const QByteArray &image, const QString &shownPath)
{
    Database db = [&] {
        try {
            return DBEngine::OpenImage(image, shownPath);
        } catch (const RuntimeError &error) {
            throwProblem(error.description());
        }
    }();
    return tablesOf(db);
}

std::vector<Journal::Entry> readJournal(const QString &path)
{
    Database db = openForReading(path);
    return readJournal(db);
}

std::vector<Journal::Entry> readJournal(Database &db)
{
    if (!db.HasTable(Journal::Table))
        throwProblem(
            QStringLiteral("в банке нет журнала попыток (таблицы attempts): банк сделан не "
                           "командой quorvane-bank make или import"));
    requireColumns(db, Journal::Table, Journal::Columns);

    std::vector<Journal::Entry> entries;
    const bool withAccount = db.Columns(Journal::Table).contains(Journal::AccountColumn);
    for (const auto &row : rows(db, Journal::rowsSelect(withAccount)))
        entries.push_back(Journal::entryFromRow(row));
    return entries;
}
