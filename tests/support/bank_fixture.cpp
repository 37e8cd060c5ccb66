#include "bank_fixture.h"
#include "file_bytes.h"

#include "store/bank_file.h"

#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <gtest/gtest.h>

BankFixture::BankFixture(int questions) : m_previous(QDir::currentPath())
{
    writeBankFile(bankPath(), BankFixture::questions(questions));
    QDir(appPath()).mkdir("pictures");
    QImage picture(40, 20, QImage::Format_RGB888);
    picture.fill(Qt::darkBlue);
    picture.save(QDir(appPath()).filePath("pictures/1.bmp"), "BMP");
    QDir::setCurrent(workPath());
}

BankFixture::~BankFixture()
{
    QDir::setCurrent(m_previous);
}

std::vector<BankQuestion> BankFixture::questions(int n)
{
    std::vector<BankQuestion> list;
    for (int id = 1; id <= n; ++id) {
        BankQuestion q;
        q.id = id;
        q.type = id % 2 == 0 ? 0 : 1;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        for (int k = 0; k < 4; ++k)
            q.answers[k] = QStringLiteral("Ответ %1.%2").arg(id).arg(k + 1);
        q.right = q.type == 0 ? std::array<bool, 4>{false, true, false, false}
                              : std::array<bool, 4>{true, false, true, false};
        if (id == 2)
            q.picture = 1;
        list.push_back(q);
    }
    return list;
}

void BankFixture::run(const QString &sql, const QVariantList &values) const
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(bankPath());
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.prepare(sql)) << query.lastError().text().toStdString();
        for (const QVariant &v : values)
            query.addBindValue(v);
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(name);
}

QVariant BankFixture::value(const QString &sql) const
{
    const QString name = QUuid::createUuid().toString();
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(bankPath());
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql) && query.next())
                result = query.value(0);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

QByteArray BankFixture::bytes() const
{
    return fileBytes(bankPath());
}
