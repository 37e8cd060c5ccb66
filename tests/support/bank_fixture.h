#pragma once

#include "bank_question.h"
#include "store/bank_file.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A working folder holding a data.mdb built for the test, and a program folder with its
// pictures/. The working folder is current while the fixture lives.
class BankFixture final
{
public:
    explicit BankFixture(int questions = 60);
    ~BankFixture();
    BankFixture(const BankFixture &) = delete;
    BankFixture &operator=(const BankFixture &) = delete;

    // Questions 1..n, alternating single and multiple choice, question 2 with picture 1.
    static std::vector<BankQuestion> questions(int n);

    QString bankPath() const { return m_work.filePath("data.mdb"); }
    QString appPath() const { return m_app.path(); }
    QString workPath() const { return m_work.path(); }

    // Runs statements on the bank directly, as an administrator's tool would.
    void run(const QString &sql, const QVariantList &values = {}) const;
    QVariant value(const QString &sql) const;
    QByteArray bytes() const;

private:
    QTemporaryDir m_work;
    QTemporaryDir m_app;
    QString m_previous;
};
