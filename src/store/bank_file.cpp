#include "bank_file.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <filesystem>
#include <stdexcept>

const char *const BankSchema[] = {
    "CREATE TABLE questions (id INTEGER PRIMARY KEY, question TEXT, answ1 TEXT, answ2 TEXT, "
    "answ3 TEXT, answ4 TEXT, ball INTEGER, picture TEXT, type INTEGER)",
    "CREATE TABLE users (id INTEGER PRIMARY KEY, username TEXT, chek BOOLEAN)",
    nullptr,
};

namespace {

void exec(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw std::runtime_error(
            (what + QStringLiteral(": ") + query.lastError().text()).toStdString());
}

void fill(QSqlDatabase &db, const std::vector<BankQuestion> &questions)
{
    QSqlQuery query(db);
    // Larger pages make the pass over the whole bank at each opening quicker.
    query.prepare(QStringLiteral("PRAGMA page_size = 16384"));
    exec(query, QStringLiteral("размер страницы"));
    for (const char *const *statement = BankSchema; *statement; ++statement) {
        query.prepare(QString::fromLatin1(*statement));
        exec(query, QStringLiteral("таблица"));
    }
    query.prepare(QStringLiteral("INSERT INTO users (id, username, chek) VALUES (1, '', 0)"));
    exec(query, QStringLiteral("строка users"));

    db.transaction();
    query.prepare(QStringLiteral("INSERT INTO questions (id, question, answ1, answ2, answ3, answ4, "
                                 "ball, picture, type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const BankQuestion &q : questions) {
        query.addBindValue(q.id);
        query.addBindValue(q.question);
        for (const QString &answer : q.answers)
            query.addBindValue(answer);
        query.addBindValue(q.ball());
        query.addBindValue(q.picture ? QVariant(QString::number(*q.picture))
                                     : QVariant(QMetaType::fromType<QString>()));
        query.addBindValue(q.type);
        exec(query, QStringLiteral("вопрос %1").arg(q.id));
    }
    if (!db.commit())
        throw std::runtime_error(("запись вопросов: " + db.lastError().text()).toStdString());
}

} // namespace

void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions)
{
    // Built beside the target and moved over it in one step, so a failure leaves the old file.
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    const QString connection = QUuid::createUuid().toString();
    try {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(building);
            if (!db.open())
                throw std::runtime_error(db.lastError().text().toStdString());
            fill(db, questions);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        std::error_code error;
        std::filesystem::rename(building.toStdString(), path.toStdString(), error);
        if (error)
            throw std::runtime_error("не удалось заменить " + path.toStdString() + ": " +
                                     error.message());
    } catch (...) {
        QSqlDatabase::removeDatabase(connection);
        QFile::remove(building);
        throw;
    }
}
