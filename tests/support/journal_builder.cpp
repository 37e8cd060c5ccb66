#include "journal_builder.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/question_digest.h"
#include "store/rules.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

QVariant runOn(QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    EXPECT_TRUE(query.prepare(sql)) << query.lastError().text().toStdString();
    for (const QVariant &value : values)
        query.addBindValue(value);
    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
    return query.lastInsertId();
}

} // namespace

JournalBuilder::JournalBuilder(QString bankPath)
    : m_path(std::move(bankPath)), m_connection(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
}

JournalBuilder::~JournalBuilder()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

qint64 JournalBuilder::finished(const QString &name, const QDateTime &started,
                                const std::vector<GivenAnswer> &answers)
{
    return write(name, started, answers, true);
}

qint64 JournalBuilder::unfinished(const QString &name, const QDateTime &started,
                                  const std::vector<GivenAnswer> &answers)
{
    return write(name, started, answers, false);
}

qint64 JournalBuilder::write(const QString &name, const QDateTime &started,
                             const std::vector<GivenAnswer> &answers, bool finish)
{
    std::vector<QByteArray> shown;
    for (const GivenAnswer &given : answers)
        shown.push_back(stored(given.question).shown);
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    db.transaction();
    Journal::Attempt attempt{name, started, 60, QStringLiteral("k1"), std::nullopt};
    const Database::Change start = Journal::start(attempt);
    attempt.id = runOn(db, start.sql, start.boundValues).toLongLong();
    int right = 0;
    for (std::size_t k = 0; k < answers.size(); ++k) {
        const GivenAnswer &given = answers[k];
        right += given.scored ? 1 : 0;
        runOn(db, QStringLiteral("INSERT INTO answers VALUES (?, ?, ?, ?, ?, ?, ?)"),
              {*attempt.id, qlonglong(k + 1), given.question, given.code, given.scored ? 1 : 0,
               given.seconds, shown[k]});
    }
    if (finish) {
        const Database::Change end =
            *Journal::finish(attempt, started.addSecs(40 * 60), right, right >= Rules::PassMark);
        runOn(db, end.sql, end.boundValues);
    }
    EXPECT_TRUE(db.commit());
    return *attempt.id;
}

GivenAnswer JournalBuilder::answer(int id, int code, double seconds)
{
    return {id, code, code == stored(id).ball, seconds};
}

GivenAnswer JournalBuilder::right(int id, double seconds)
{
    return answer(id, int(stored(id).ball), seconds);
}

void JournalBuilder::run(const QString &sql, const QVariantList &values)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    runOn(db, sql, values);
    m_stored.clear();
}

const JournalBuilder::Stored &JournalBuilder::stored(int id)
{
    const auto found = m_stored.constFind(id);
    if (found != m_stored.cend())
        return *found;
    // Read as the exam reads what it shows, through the bank library.
    Database bank = DBEngine::OpenDatabase(m_path, DBEngine::Access::ReadOnly);
    const std::vector<QVariantList> rows =
        bank.StoredRows(QStringLiteral("SELECT ball, %1 FROM questions WHERE id = %2")
                            .arg(QuestionDigest::Columns)
                            .arg(id));
    Stored values;
    EXPECT_EQ(rows.size(), 1u) << "no question " << id;
    if (!rows.empty()) {
        values.ball = rows[0][0].toLongLong();
        values.shown = QuestionDigest::of(rows[0].mid(1));
    }
    return *m_stored.insert(id, values);
}
