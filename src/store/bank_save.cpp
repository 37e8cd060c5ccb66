#include "bank_save.h"

#include "bank_file.h"
#include "bank_file_check.h"
#include "bank_image.h"
#include "database.h"
#include "journal.h"
#include "problem.h"
#include "runtime_error.h"
#include "safe_file.h"
#include "sqlite.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The bank's absolute path, once the file is one this account may write: a copy of one it may not
// would silently unseal it.
QString writableBank(const QString &path)
{
    const QString absolute = QDir::current().absoluteFilePath(path);
    try {
        BankFileCheck::check(absolute, BankFileCheck::Access::ReadWrite);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
    return absolute;
}

// The engine's write lock, waited for as the exam waits for it; `retry` asks for another try.
void takeWriteLock(SqliteConnection &bank, const QString &absolute, const QString &retry)
{
    try {
        bank.run(QStringLiteral("BEGIN IMMEDIATE"));
    } catch (const SqliteError &error) {
        if (error.primary() != SQLITE_BUSY)
            throw;
        throwProblem(QStringLiteral("%1: банк занят другой программой (вероятно, экзамен "
                                    "записывает результат); ждали %2 с. %3")
                         .arg(absolute)
                         .arg(DBEngine::lockWait() / 1000)
                         .arg(retry));
    }
}

bool hasTable(SqliteConnection &bank, const QString &name)
{
    SqliteStatement table(bank, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                               "lower(name) = lower(?)"));
    table.bind({name});
    return table.next() && table.value(0).asNumber() > 0;
}

// The statement that makes `table` in a new bank.
QString schemaOf(const QString &table)
{
    const QString start = QStringLiteral("CREATE TABLE %1 (").arg(table);
    for (const char *const *statement = BankSchema; *statement; ++statement)
        if (QString::fromLatin1(*statement).startsWith(start))
            return QString::fromLatin1(*statement);
    throw std::logic_error("a journal table missing from the bank's schema");
}

} // namespace

QByteArray saveBankQuestions(const QString &path, const std::vector<QuestionRow> &questions)
{
    const QString absolute = writableBank(path);
    try {
        SqliteConnection bank(absolute, SqliteConnection::Access::ReadWrite, DBEngine::lockWait());
        takeWriteLock(bank, absolute, QStringLiteral("Попробуйте сохранить ещё раз."));
        struct stat file
        {};
        if (::stat(QFile::encodeName(absolute).constData(), &file) != 0)
            throwProblem(QStringLiteral("%1: файл банка пропал").arg(absolute));
        if (file.st_uid == ::geteuid() || ::geteuid() == 0) {
            const QByteArray image = bankImageWithQuestions(bank.serialize(), questions);
            FileReplacement replacement(absolute);
            replacement.write(image);
            replacement.commit(true, file.st_mode & 0777, file.st_gid);
            bank.run(QStringLiteral("ROLLBACK"));
            return image;
        } else {
            // A new file would be this account's, and the keeper of a sealed bank opens only one
            // of root's or its own: the questions are rewritten in the file itself instead, in one
            // transaction of the engine's, so the file keeps its owner as well as its group and
            // mode.
            replaceQuestions(bank, questions);
            QByteArray image = bank.serialize();
            bank.run(QStringLiteral("COMMIT"));
            return image;
        }
    } catch (const SqliteError &error) {
        throwProblem(QStringLiteral("%1: банк не сохранён: %2").arg(absolute, error.message));
    }
}

QStringList addJournalTables(const QString &path)
{
    const QString absolute = writableBank(path);
    try {
        SqliteConnection bank(absolute, SqliteConnection::Access::ReadWrite, DBEngine::lockWait());
        takeWriteLock(bank, absolute, QStringLiteral("Попробуйте ещё раз."));
        for (const QString &table : {QStringLiteral("questions"), QStringLiteral("users")})
            if (!hasTable(bank, table))
                throwProblem(QStringLiteral("%1: в файле нет таблицы %2, это не банк вопросов")
                                 .arg(absolute, table));
        QStringList added;
        const bool hadJournal = hasTable(bank, Journal::Table);
        for (const QString &table : {Journal::Table, Journal::AnswersTable})
            if (!hasTable(bank, table)) {
                bank.run(schemaOf(table));
                added.push_back(table);
            }
        // A journal made before it named the examinee's account gets the column, its rows none.
        const auto lacksAccount = [&bank] {
            SqliteStatement account(bank, QStringLiteral("SELECT count(*) FROM "
                                                         "pragma_table_info(?) WHERE lower(name) "
                                                         "= lower(?)"));
            account.bind({Journal::Table, Journal::AccountColumn});
            return account.next() && account.value(0).asNumber() == 0;
        };
        if (hadJournal && lacksAccount()) {
            bank.run(QStringLiteral("ALTER TABLE attempts ADD COLUMN account TEXT"));
            added.push_back(QStringLiteral("attempts.account"));
        }
        bank.run(QStringLiteral("COMMIT"));
        return added;
    } catch (const SqliteError &error) {
        throwProblem(QStringLiteral("%1: банк не изменён: %2").arg(absolute, error.message));
    }
}
