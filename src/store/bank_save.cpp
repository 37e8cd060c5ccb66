#include "bank_save.h"

#include "bank_file_check.h"
#include "bank_image.h"
#include "database.h"
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

QByteArray saveBankQuestions(const QString &path, const std::vector<QuestionRow> &questions)
{
    const QString absolute = QDir::current().absoluteFilePath(path);
    try {
        // Also refuses a file this account may not write: a copy would silently unseal it.
        BankFileCheck::check(absolute, BankFileCheck::Access::ReadWrite);
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
    try {
        SqliteConnection bank(absolute, SqliteConnection::Access::ReadWrite, DBEngine::lockWait());
        try {
            bank.run(QStringLiteral("BEGIN IMMEDIATE"));
        } catch (const SqliteError &error) {
            if (error.primary() != SQLITE_BUSY)
                throw;
            throwProblem(
                QStringLiteral("%1: банк занят другой программой (вероятно, экзамен записывает "
                               "результат); ждали %2 с. Попробуйте сохранить ещё раз.")
                    .arg(absolute)
                    .arg(DBEngine::lockWait() / 1000));
        }
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
