#include "command_run.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "support/bank_question.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <limits>

namespace {

const QString SourceDir = QStringLiteral(QUORVANE_SOURCE_DIR);

// Equal value for value: both Null, or the same kind and value.
void expectSameQuestions(const BankTables &made, const BankTables &original)
{
    ASSERT_EQ(made.questions.size(), original.questions.size());
    for (std::size_t i = 0; i < original.questions.size(); ++i) {
        const QuestionRow &a = made.questions[i];
        const QuestionRow &b = original.questions[i];
        SCOPED_TRACE(b.id.toString().toStdString());
        const QVariant madeValues[] = {a.id,         a.question,   a.answers[0],
                                       a.answers[1], a.answers[2], a.answers[3],
                                       a.ball,       a.picture,    a.type};
        const QVariant originalValues[] = {b.id,         b.question,   b.answers[0],
                                           b.answers[1], b.answers[2], b.answers[3],
                                           b.ball,       b.picture,    b.type};
        for (int k = 0; k < 9; ++k) {
            EXPECT_EQ(madeValues[k].isNull(), originalValues[k].isNull()) << "column " << k;
            EXPECT_EQ(madeValues[k].typeId(), originalValues[k].typeId()) << "column " << k;
            EXPECT_EQ(madeValues[k], originalValues[k]) << "column " << k;
        }
    }
}

class ExportCommand : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    // export of the bank, then make of the source, with the pictures beside it.
    BankTables roundTrip(const QString &bank, const QString &pictures)
    {
        const CommandRun exported = runCommand(exportCommand, {bank, path("questions.txt")});
        EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
        const CommandRun made = runCommand(
            makeCommand, {"--pictures", pictures, path("questions.txt"), path("again.mdb")});
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
        return readBankTables(path("again.mdb"));
    }

    QTemporaryDir dir;
};

TEST_F(ExportCommand, TheSampleBankComesBackValueForValue)
{
    QFile source(SourceDir + "/data/bank/questions.txt");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    writeBankTables(path("data.mdb"), parseBankSource(source.readAll()).tables);
    const BankTables original = readBankTables(path("data.mdb"));
    expectSameQuestions(roundTrip(path("data.mdb"), SourceDir + "/data/bank/pictures"), original);
}

TEST_F(ExportCommand, AwkwardContentComesBackValueForValue)
{
    BankTables tables;
    for (int id = 1; id <= 40; ++id) {
        BankQuestion q;
        q.id = id;
        q.type = id % 2;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        q.answers = {"а", "б", "в", "г"};
        q.right = {true, false, id % 2 == 1, false};
        tables.questions.push_back(q.row());
    }
    auto &q = tables.questions;
    q[0].question = QStringLiteral("Что значит \"кегль\"? Ответ: размер *шрифта*");
    q[0].answers = {QStringLiteral("\"в кавычках\""), QStringLiteral("  пробелы по краям  "),
                    QStringLiteral("строка 1\nстрока 2\r\nстрока 3"), QStringLiteral("")};
    q[1].question = QStringLiteral("# не комментарий \\ и [2]");
    q[1].answers[1] = QStringLiteral("answer*: \tтабуляция\u2028");
    q[2].ball = QVariant();
    q[3].type = qlonglong(2);
    q[3].answers = {QVariant(), QVariant(), QStringLiteral("только третий"), QVariant()};
    q[3].ball = qlonglong(0);
    q[4].type = QVariant();
    q[4].answers[0] = QVariant();
    q[5].ball = qlonglong(5); // no single tick gives it
    q[6].ball = qlonglong(0);
    q[7].picture = QStringLiteral("");
    q[8].picture = QStringLiteral("007");
    q[9].picture = QStringLiteral(" 7 ");
    q[10].picture = QStringLiteral("1");
    q[11].ball = qlonglong(-3);
    writeBankTables(path("data.mdb"), tables);
    makePictures(path("pictures"), {1, 7});

    const BankTables original = readBankTables(path("data.mdb"));
    expectSameQuestions(roundTrip(path("data.mdb"), path("pictures")), original);
    // Plain where plain reads back the same.
    const QString text = QString::fromUtf8(fileBytes(path("questions.txt")));
    EXPECT_TRUE(text.contains("\n[9]\ntype: 1\npicture: 007\nquestion: Вопрос 9\n"))
        << text.toStdString();
}

// The codes and kinds of a bank as SQLite itself gives them: its own 64-bit integers.
std::vector<std::pair<qlonglong, qlonglong>> storedCodes(const QString &bank)
{
    std::vector<std::pair<qlonglong, qlonglong>> codes;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(bank);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec("SELECT ball, type FROM questions ORDER BY id"));
        while (query.next())
            codes.emplace_back(query.value(0).toLongLong(), query.value(1).toLongLong());
    }
    QSqlDatabase::removeDatabase(name);
    return codes;
}

// 9007199254740993 was written 9007199254740992, and make took the changed value back: every
// whole number SQLite keeps goes through the source as it is.
TEST_F(ExportCommand, WholeNumbersBeyondTwoToTheFiftyThirdComeBackExactly)
{
    BankTables tables;
    for (int id = 1; id <= 40; ++id) {
        BankQuestion q;
        q.id = id;
        q.type = 2;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        q.answers = {"а", "б", "в", "г"};
        tables.questions.push_back(q.row());
    }
    const qlonglong large[][2] = {
        {9007199254740993LL, 2},
        {9007199254740995LL, 9007199254740993LL},
        {std::numeric_limits<qlonglong>::max(), std::numeric_limits<qlonglong>::min()},
        {-9007199254740993LL, std::numeric_limits<qlonglong>::max() - 1},
    };
    for (std::size_t i = 0; i < std::size(large); ++i) {
        tables.questions[i].ball = large[i][0];
        tables.questions[i].type = large[i][1];
    }
    writeBankTables(path("data.mdb"), tables);
    const auto stored = storedCodes(path("data.mdb"));
    ASSERT_EQ(stored.size(), 40u);
    for (std::size_t i = 0; i < std::size(large); ++i)
        ASSERT_EQ(stored[i], std::make_pair(large[i][0], large[i][1]));

    expectSameQuestions(roundTrip(path("data.mdb"), path("pictures")),
                        readBankTables(path("data.mdb")));
    EXPECT_EQ(storedCodes(path("again.mdb")), stored);
    const QString text = QString::fromUtf8(fileBytes(path("questions.txt")));
    EXPECT_TRUE(text.contains("\n[1]\ntype: 2\nquestion: Вопрос 1\nball: 9007199254740993\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\n[3]\ntype: -9223372036854775808\nquestion: Вопрос 3\n"
                              "ball: 9223372036854775807\n"))
        << text.toStdString();
    // The bank library reads them as they are kept.
    EXPECT_EQ(readBankTables(path("again.mdb")).questions[1].type, QVariant(9007199254740993LL));
}

TEST_F(ExportCommand, InvisibleCharactersAreWrittenAsEscapesAndComeBackValueForValue)
{
    // A control, separators, format characters (one beyond U+FFFF), odd spaces, and what must
    // stay as it is: a character beyond U+FFFF and a combining accent.
    const QString invisible[] = {
        QStringView(u"\u0001").toString(),     QStringView(u"\u2029").toString(),
        QStringView(u"\uFEFF").toString(),     QStringView(u"\u200B").toString(),
        QStringView(u"\u00AD").toString(),     QStringView(u"\u202E").toString(),
        QStringView(u"\U000E0001").toString(), QStringView(u"\u00A0").toString(),
        QStringView(u"\u2009").toString(),     QStringView(u"\uFDD0").toString()};
    BankTables tables;
    for (int id = 1; id <= 40; ++id) {
        BankQuestion q;
        q.id = id;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        q.answers = {"а", "б", "в", "г"};
        q.right[0] = true;
        tables.questions.push_back(q.row());
    }
    for (std::size_t i = 0; i < std::size(invisible); ++i)
        tables.questions[i].question =
            QStringLiteral("до") + invisible[i] + QStringLiteral("после ") + invisible[i];
    tables.questions[20].answers[1] = QStringView(u"улыбка \U0001F600 и е\u0301").toString();
    writeBankTables(path("data.mdb"), tables);
    makePictures(path("pictures"));

    const BankTables original = readBankTables(path("data.mdb"));
    expectSameQuestions(roundTrip(path("data.mdb"), path("pictures")), original);
    const QString text = QString::fromUtf8(fileBytes(path("questions.txt")));
    for (const QString &c : invisible) {
        EXPECT_FALSE(text.contains(c)) << c.toUcs4()[0];
        QString escapes;
        for (const QChar unit : c)
            escapes += QStringLiteral("\\u%1").arg(
                QString::number(unit.unicode(), 16).toUpper().rightJustified(4, '0'));
        EXPECT_TRUE(text.contains(escapes)) << escapes.toStdString();
    }
    EXPECT_TRUE(text.contains(QStringView(u"answer: улыбка \U0001F600 и е\u0301\n").toString()))
        << text.toStdString();
}

TEST_F(ExportCommand, ATextMakeWouldRefuseIsNamedAndNotWritten)
{
    BankTables tables;
    for (int id = 1; id <= 40; ++id) {
        BankQuestion q;
        q.id = id;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        q.answers = {"а", "б", "в", "г"};
        q.right[0] = true;
        tables.questions.push_back(q.row());
    }
    tables.questions[6].question = QStringView(u"\uFFFE\u0424\u042B").toString();
    tables.questions[8].answers[2] = QStringView(u"а\uFFFF").toString();
    QStringList problems;
    EXPECT_EQ(bankSourceText(tables, problems), QString());
    EXPECT_EQ(problems,
              QStringList({"вопрос 7: текст вопроса: знак U+FFFE — несимвол Юникода: база его "
                           "не сохранит",
                           "вопрос 9: ответ 3: знак U+FFFF — несимвол Юникода: база его не "
                           "сохранит"}));
}

TEST_F(ExportCommand, RowsTheSourceCannotHoldAreNamedAndNothingIsWritten)
{
    BankTables tables;
    for (int id = 0; id <= 40; ++id) {
        BankQuestion q;
        q.id = id;
        q.question = QStringLiteral("Вопрос %1").arg(id);
        q.answers = {"а", "б", "в", "г"};
        q.right[0] = true;
        tables.questions.push_back(q.row());
    }
    tables.questions[5].picture = QStringLiteral("abc");
    writeBankTables(path("data.mdb"), tables);
    const CommandRun run = runCommand(exportCommand, {path("data.mdb"), path("questions.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("строка 1 таблицы questions: номер (id) «0»"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("вопрос 5: номер рисунка «abc»"))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("questions.txt")));

    // Nor is an existing source replaced unless asked.
    writeFile(path("questions.txt"), "мой источник");
    tables.questions.erase(tables.questions.begin());
    tables.questions[4].picture = QVariant();
    writeBankTables(path("data.mdb"), tables);
    EXPECT_EQ(runCommand(exportCommand, {path("data.mdb"), path("questions.txt")}).status, 1);
    EXPECT_EQ(fileBytes(path("questions.txt")), "мой источник");
}

TEST_F(ExportCommand, AFileThatIsNoBankIsRefusedAndAnAccessFileIsNamedAsOne)
{
    writeFile(path("old.mdb"), QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(200, 0));
    const CommandRun run = runCommand(exportCommand, {path("old.mdb"), path("questions.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Microsoft Access (Jet)")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("quorvane-bank import")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("questions.txt")));
}

} // namespace
