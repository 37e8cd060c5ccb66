#include "command_run.h"
#include "support/bank_question.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimeZone>

#include <gtest/gtest.h>

CommandRun runCommand(CommandFunction command, const QStringList &arguments,
                      const QString &programFolder)
{
    CommandRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    Console console{out, err, programFolder};
    run.status = command(arguments, console);
    out.flush();
    err.flush();
    return run;
}

QByteArray sourceText(int questions)
{
    QByteArray text = "# Банк для проверки\n";
    for (int id = 1; id <= questions; ++id) {
        text += QStringLiteral("\n[%1]\ntype: %2\n").arg(id).arg(id % 2).toUtf8();
        if (id == 2)
            text += "picture: 1\n";
        text += QStringLiteral("question: Вопрос %1?\nanswer*: да\nanswer: нет\nanswer: не знаю\n"
                               "answer: может быть\n")
                    .arg(id)
                    .toUtf8();
    }
    return text;
}

void makePictures(const QString &folder, QList<int> numbers, QSize size)
{
    QDir().mkpath(folder);
    QImage picture(size, QImage::Format_RGB888);
    picture.fill(Qt::darkGreen);
    for (int number : numbers)
        ASSERT_TRUE(
            picture.save(QDir(folder).filePath(QStringLiteral("%1.bmp").arg(number)), "BMP"));
}

QDateTime at(int day, int hour, int minute, int offsetHours)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute), QTimeZone(offsetHours * 3600));
}

QString journalBank(const QString &path, const std::vector<Taken> &attempts)
{
    writeBankFile(path, {});
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        const auto run = [&db](const Database::Change &change) {
            QSqlQuery query(db);
            query.prepare(change.sql);
            for (const QVariant &value : change.boundValues)
                query.addBindValue(value);
            EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
            return query.lastInsertId();
        };
        db.transaction();
        for (const Taken &taken : attempts) {
            Journal::Attempt attempt = taken.attempt;
            attempt.id = run(Journal::start(attempt)).toLongLong();
            if (taken.right)
                run(*Journal::finish(attempt, attempt.started.addSecs(40 * 60), *taken.right,
                                     *taken.right >= 32));
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(path);
    return path;
}

void alterBank(const QString &bank, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "alter");
        db.setDatabaseName(bank);
        ASSERT_TRUE(db.open());
        for (const QString &statement : statements) {
            QSqlQuery query(db);
            EXPECT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase("alter");
}
