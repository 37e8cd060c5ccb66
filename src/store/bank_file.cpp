#include "bank_file.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

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
    db.commit();
}

} // namespace

void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions)
{
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(building);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        try {
            fill(db, questions);
        } catch (...) {
            db.close();
            QFile::remove(building);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    QFile::remove(path);
    if (!QFile::rename(building, path))
        throw std::runtime_error("не удалось переименовать " + building.toStdString());
}
