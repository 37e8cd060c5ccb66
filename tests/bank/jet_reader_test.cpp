#include "bank/jet_reader.h"
#include "bank/jet_reply.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Fixtures = QStringLiteral(QUORVANE_JET_FIXTURES);

QString fixture(const QString &name)
{
    return Fixtures + '/' + name;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The JSON beside a bank, as it lists the stored values: null for Null, numbers whole.
QVariant stored(const QJsonValue &value)
{
    if (value.isNull())
        return {};
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return qlonglong(value.toInteger());
    return value.toString();
}

// A value read must be what is stored, of the same kind: the text "6" is not the number 6.
void expectSame(const QVariant &read, const QJsonValue &json, const char *column)
{
    SCOPED_TRACE(column);
    const QVariant expected = stored(json);
    EXPECT_EQ(read.isNull(), expected.isNull());
    EXPECT_EQ(read.typeId(), expected.typeId());
    EXPECT_EQ(read, expected);
}

void expectAsListed(const BankTables &bank, const QString &jsonName)
{
    QFile file(fixture(jsonName));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject listed = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonArray questions = listed[QStringLiteral("questions")].toArray();
    ASSERT_EQ(bank.questions.size(), std::size_t(questions.size()));
    for (std::size_t i = 0; i < bank.questions.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const QuestionRow &row = bank.questions[i];
        const QJsonArray want = questions[qsizetype(i)].toArray();
        expectSame(row.id, want[0], "id");
        expectSame(row.question, want[1], "question");
        for (std::size_t a = 0; a < row.answers.size(); ++a)
            expectSame(row.answers[a], want[qsizetype(2 + a)], "answ");
        expectSame(row.ball, want[6], "ball");
        expectSame(row.picture, want[7], "picture");
        expectSame(row.type, want[8], "type");
    }
    const QJsonArray users = listed[QStringLiteral("users")].toArray();
    ASSERT_EQ(bank.users.size(), std::size_t(users.size()));
    for (std::size_t i = 0; i < bank.users.size(); ++i) {
        const QJsonArray want = users[qsizetype(i)].toArray();
        expectSame(bank.users[i].id, want[0], "users.id");
        expectSame(bank.users[i].username, want[1], "username");
        expectSame(bank.users[i].chek, want[2], "chek");
    }
}

// The real Access files are not part of the project: where they are absent, so are the tests
// that read them. The helper is the one this build made, quick to give up on a damaged file.
class JetBank : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(Fixtures))
            GTEST_SKIP() << "no folder of real Access files at " << Fixtures.toStdString()
                         << ": the tests that read them are not run";
        setJetReadHelper({QStringLiteral(QUORVANE_JET_READ), std::chrono::seconds(5)});
    }
    void TearDown() override { setJetReadHelper({}); }
};

// The message the reader refuses `path` with; empty when it reads the file.
QString refusal(const QString &path, const QString &codepage = {})
{
    try {
        readJetBank(path, codepage);
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

TEST_F(JetBank, ReadsJet4AndJet3BanksValueForValueAndLeavesTheFilesAsTheyWere)
{
    for (const char *name : {"bank-jet4", "bank-jet3-cp1251"}) {
        SCOPED_TRACE(name);
        const QString path = fixture(QLatin1String(name) + QStringLiteral(".mdb"));
        const QByteArray before = fileHash(path);
        const BankTables bank = readJetBank(path);
        expectAsListed(bank, QLatin1String(name) + QStringLiteral(".json"));
        // Jet's Yes comes back as the Boolean True, not as -1 or 1.
        ASSERT_EQ(bank.users.size(), 1u);
        EXPECT_EQ(bank.users[0].chek, QVariant(true));
        EXPECT_EQ(fileHash(path), before);
    }
}

TEST_F(JetBank, CodePageOverrideDecodesJet3TextInThePageNamed)
{
    const QString path = fixture(QStringLiteral("bank-jet3-cp1251.mdb"));
    const QString own = readJetBank(path).users[0].username.toString();
    EXPECT_EQ(own, QStringLiteral("Петров Иван Сергеевич"));
    // Every way of naming the page the file declares reads it the same.
    for (const char *name : {"1251", "CP1251", "windows-1251"})
        EXPECT_EQ(readJetBank(path, QLatin1String(name)).users[0].username.toString(), own) << name;
    // The Western page turns the same bytes into Latin letters.
    EXPECT_EQ(readJetBank(path, QStringLiteral("CP1252")).users[0].username.toString(),
              QStringLiteral("Ïåòðîâ Èâàí Ñåðãååâè÷"));
    EXPECT_TRUE(refusal(path, QStringLiteral("klingon-7")).contains(QStringLiteral("klingon-7")));
}

TEST_F(JetBank, RefusesAQuestionWithoutANumberNamingItsRow)
{
    EXPECT_EQ(refusal(fixture(QStringLiteral("dirty-jet4.mdb"))),
              QStringLiteral("таблица questions, строка 43: нет номера вопроса (id)"));
}

TEST_F(JetBank, RefusesJetFilesThatHoldNoBank)
{
    for (const char *name : {"jet3-northwind.mdb", "jet3-types.mdb", "jet4-dates.mdb",
                             "jet4-unicode-compressed.mdb", "ace-sample.accdb"}) {
        EXPECT_EQ(refusal(fixture(QLatin1String(name))),
                  QStringLiteral("в базе нет таблицы questions"))
            << name;
    }
}

TEST_F(JetBank, RefusesWhatIsNotAWholeAccessFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("нет такого.mdb"));
    EXPECT_EQ(refusal(missing), QStringLiteral("файл «%1» не найден").arg(missing));

    QFile bankFile(fixture(QStringLiteral("bank-jet4.mdb")));
    ASSERT_TRUE(bankFile.open(QIODevice::ReadOnly));
    const QByteArray bank = bankFile.readAll();
    const struct
    {
        QByteArray bytes;
        QString says;
    } cases[] = {
        {QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0'),
         QStringLiteral("не база Access/Jet")},
        {QByteArray("[1]\ntype: 0\nquestion: ?\n"), QStringLiteral("не база Access/Jet")},
        {QByteArray(), QStringLiteral("не база Access/Jet")},
        // Copies cut short: libmdb itself would read the missing pages as empty ones.
        {bank.left(bank.size() / 2 + 100), QStringLiteral("обрезан")},
        {bank.left(4096 * 4), QStringLiteral("файл повреждён")},
    };
    for (const auto &[bytes, says] : cases) {
        const QString path = dir.filePath(QStringLiteral("data.mdb"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const QString message = refusal(path);
        EXPECT_TRUE(message.contains(says)) << message.toStdString();
    }
}

TEST_F(JetBank, RefusesWhenItsHelperIsMissingOrAnswersSomethingElse)
{
    const QString bank = fixture(QStringLiteral("bank-jet4.mdb"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("quorvane-jet-read"));
    setJetReadHelper({missing});
    EXPECT_TRUE(refusal(bank).contains(missing)) << refusal(bank).toStdString();
    // echo answers with its arguments, which are no reply.
    setJetReadHelper({QStringLiteral("/bin/echo")});
    EXPECT_TRUE(refusal(bank).contains(QStringLiteral("ответ, который не разобрать")))
        << refusal(bank).toStdString();
}

// A reader whose memory grows past the limit (libmdb following a damaged file's lengths) is
// stopped and refused; one that stays under it answers. The stand-in reserves its memory as
// libmdb's allocations do and then gives a sound reply; it needs no Access file.
TEST(JetReaderLimits, AReaderThatGrowsPastItsMemoryLimitIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    JetReply answer;
    QuestionRow question;
    question.id = qlonglong(1);
    question.question = QStringLiteral("Вопрос?");
    answer.tables.questions.push_back(question);
    QFile reply(dir.filePath(QStringLiteral("reply")));
    ASSERT_TRUE(reply.open(QIODevice::WriteOnly));
    reply.write(jetReplyBytes(answer));
    reply.close();

    // 512 MiB is the limit: 64 MiB is well under it, 640 MiB past it.
    const auto reader = [&](int mebibytes) {
        const QString program = dir.filePath(QStringLiteral("reader-%1").arg(mebibytes));
        QFile script(program);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "dd if=/dev/null of=/dev/null bs=%1M count=1 2>/dev/null || "
                                    "exit 1\n"
                                    "exec cat '%2'\n")
                         .arg(mebibytes)
                         .arg(reply.fileName())
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return program;
    };
    const QString bank = dir.filePath(QStringLiteral("old.mdb"));

    setJetReadHelper({reader(64), std::chrono::seconds(5)});
    EXPECT_EQ(refusal(bank), QString());
    setJetReadHelper({reader(640), std::chrono::seconds(5)});
    EXPECT_TRUE(refusal(bank).startsWith(QStringLiteral("база не прочитана: ")))
        << refusal(bank).toStdString();
    setJetReadHelper({});
}

} // namespace
