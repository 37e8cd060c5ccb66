#include "screens/runtime_error.h"
#include "store/bank_check.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString SourceDir = QStringLiteral(QUORVANE_SOURCE_DIR);

std::vector<BankQuestion> sampleBank()
{
    QFile file(SourceDir + "/data/bank/questions.txt");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return parseBank(QString::fromUtf8(file.readAll()));
}

TEST(SampleBank, EveryCodeMatchesItsKindAndEveryPictureFitsThePanel)
{
    const auto questions = sampleBank();
    ASSERT_GE(questions.size(), 60u);
    const QSet<int> singleCodes{1, 4, 8, 16};
    int withPictures = 0;
    int multiple = 0;
    for (const BankQuestion &q : questions) {
        SCOPED_TRACE(q.id);
        if (q.type == 0) {
            EXPECT_TRUE(singleCodes.contains(q.ball()));
        } else {
            ++multiple;
            EXPECT_GT(q.ball(), 0);
            EXPECT_LE(q.ball(), 29);
            EXPECT_NE(q.ball() & 2, 2);
        }
        if (q.picture) {
            ++withPictures;
            const QImage picture(SourceDir +
                                 QStringLiteral("/data/bank/pictures/%1.bmp").arg(*q.picture));
            ASSERT_FALSE(picture.isNull());
            EXPECT_LE(picture.width(), 586);
            EXPECT_LE(picture.height(), 127);
        }
        // Russian text uses its own quotation marks.
        EXPECT_FALSE(q.question.contains('"')) << q.question.toStdString();
    }
    EXPECT_GE(withPictures, 6);
    EXPECT_GE(multiple, 10);
}

TEST(SampleBank, TheBuiltFileCarriesATestAndStartsWithAnEmptyRecord)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto questions = sampleBank();
    writeBankFile(dir.filePath("data.mdb"), questions);
    {
        Database basa = DBEngine::OpenDatabase("data.mdb");
        Recordset all = basa.OpenRecordset("select * from questions");
        all.MoveLast();
        EXPECT_EQ(checkBank(basa, all.Fields("id"), SourceDir + "/data/bank/pictures"),
                  static_cast<int>(questions.size()));
        Recordset users = basa.OpenRecordset("select * from users");
        EXPECT_EQ(users.Fields("id").asNumber(), 1);
        EXPECT_EQ(users.Fields("username").asText(), "");
        EXPECT_EQ(users.Fields("chek").kind(), FieldValue::Kind::Boolean);
        EXPECT_FALSE(users.Fields("chek").asBoolean());
        Recordset third = basa.OpenRecordset("select * from questions where id=3");
        EXPECT_EQ(third.Fields("ball").asNumber(), questions[2].ball());
    }
    QDir::setCurrent(previous);
}

struct BadSource
{
    const char *name;
    const char *text;
    const char *problem;
};

class BankSourceFaults : public ::testing::TestWithParam<BadSource>
{};

TEST_P(BankSourceFaults, AreReportedWithTheirLine)
{
    try {
        parseBank(QString::fromUtf8(GetParam().text));
        FAIL() << "accepted";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QString::fromUtf8(GetParam().problem)))
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, BankSourceFaults,
    ::testing::Values(
        BadSource{"Gap", "[2]\ntype: 0\n", "ожидался 1"},
        BadSource{"ThreeAnswers", "[1]\ntype: 0\nquestion: В?\nanswer*: а\nanswer: б\nanswer: в\n",
                  "ответов 3"},
        BadSource{"TwoRightInSingle",
                  "[1]\ntype: 0\nquestion: В?\nanswer*: а\nanswer*: б\nanswer: в\nanswer: г\n",
                  "отмечено верных: 2"},
        BadSource{"NoneRight",
                  "[1]\ntype: 1\nquestion: В?\nanswer: а\nanswer: б\nanswer: в\nanswer: г\n",
                  "не отмечен"},
        BadSource{"UnknownField", "[1]\ntype: 0\ncolour: red\n", "неизвестное поле «colour»"},
        BadSource{"Kind", "[1]\ntype: 3\n", "0 или 1"},
        BadSource{"PictureTooLarge", "[1]\ntype: 0\npicture: 40000\n",
                  "строка 3: номер рисунка 40000"},
        BadSource{"Outside", "type: 0\n", "строка 1"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BankSource, CodesAreTheSumsOfTheWeightsOfTheMarkedAnswers)
{
    const auto questions =
        parseBank("# comment\n\n[1]\ntype: 1\npicture: 7\nquestion: В?\nanswer*: а\nanswer: б\n"
                  "answer*: в\nanswer: г\n\n[2]\ntype: 1\nquestion: Г?\nanswer*: а\nanswer*: б\n"
                  "answer*: в\nanswer*: г\n");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].ball(), 9);
    EXPECT_EQ(questions[0].picture, 7);
    EXPECT_EQ(questions[1].ball(), 29);
    EXPECT_FALSE(questions[1].picture);
}

} // namespace

namespace {

TEST(BankFile, ABankThatCannotBeWrittenLeavesTheFileThereAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    writeBankFile(path, sampleBank());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    // Two questions with one number: the second cannot be stored.
    std::vector<BankQuestion> broken = sampleBank();
    broken[1].id = broken[0].id;
    EXPECT_THROW(writeBankFile(path, broken), std::runtime_error);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.mdb"});

    // A sound bank replaces it whole.
    const std::vector<BankQuestion> all = sampleBank();
    writeBankFile(path, std::vector<BankQuestion>(all.begin(), all.begin() + 40));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.mdb"});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_LT(file.readAll().size(), before.size());
}

} // namespace
