#include "screens/pictures.h"
#include "store/bank_check.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "store/database.h"
#include "store/runtime_error.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString SourceDir = QStringLiteral(QUORVANE_SOURCE_DIR);

BankTables sampleBank()
{
    QFile file(SourceDir + "/data/bank/questions.txt");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const BankSource source = parseBankSource(file.readAll());
    EXPECT_TRUE(source.problems.empty()) << source.problems.front().message.toStdString();
    return source.tables;
}

TEST(SampleBank, EveryCodeMatchesItsKindAndEveryPictureFitsThePanel)
{
    const auto questions = sampleBank().questions;
    ASSERT_GE(questions.size(), 60u);
    const QSet<int> singleCodes{1, 4, 8, 16};
    int withPictures = 0;
    int multiple = 0;
    for (const QuestionRow &q : questions) {
        SCOPED_TRACE(q.id.toInt());
        const int ball = q.ball.toInt();
        if (q.type.toInt() == 0) {
            EXPECT_TRUE(singleCodes.contains(ball));
        } else {
            ++multiple;
            EXPECT_EQ(q.type.toInt(), 1);
            EXPECT_GT(ball, 0);
            EXPECT_LE(ball, 29);
            EXPECT_NE(ball & 2, 2);
        }
        if (!q.picture.isNull()) {
            ++withPictures;
            const QImage picture(
                SourceDir + QStringLiteral("/data/bank/pictures/%1.bmp").arg(q.picture.toString()));
            ASSERT_FALSE(picture.isNull());
            EXPECT_LE(picture.width(), 586);
            EXPECT_LE(picture.height(), 127);
        }
        // Russian text uses its own quotation marks.
        EXPECT_FALSE(q.question.toString().contains('"')) << q.question.toString().toStdString();
    }
    EXPECT_GE(withPictures, 6);
    EXPECT_GE(multiple, 10);
}

TEST(SampleBank, TheBuiltFileCarriesATestAndStartsWithAnEmptyRecord)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const BankTables tables = sampleBank();
    writeBankTables(dir.filePath("data.mdb"), tables);
    {
        Database basa = DBEngine::OpenDatabase("data.mdb");
        Recordset all = basa.OpenRecordset("select * from questions");
        all.MoveLast();
        EXPECT_EQ(
            checkBank(basa, all.Fields("id"), SourceDir + "/data/bank/pictures", isReadablePicture),
            static_cast<int>(tables.questions.size()));
        Recordset users = basa.OpenRecordset("select * from users");
        EXPECT_EQ(users.Fields("id").asNumber(), 1);
        EXPECT_EQ(users.Fields("username").asText(), "");
        EXPECT_EQ(users.Fields("chek").kind(), FieldValue::Kind::Boolean);
        EXPECT_FALSE(users.Fields("chek").asBoolean());
        Recordset third = basa.OpenRecordset("select * from questions where id=3");
        EXPECT_EQ(third.Fields("ball").asNumber(), tables.questions[2].ball.toInt());
    }
    QDir::setCurrent(previous);
}

TEST(BankFile, ABankThatCannotBeWrittenLeavesTheFileThereAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.mdb");
    writeBankTables(path, sampleBank());
    const QByteArray before = fileBytes(path);

    // Two questions with one number, or a number that is no number: neither can be stored.
    for (const QVariant &second : {QVariant(qlonglong(1)), QVariant(QStringLiteral("два"))}) {
        BankTables broken = sampleBank();
        broken.questions[1].id = second;
        EXPECT_THROW(writeBankTables(path, broken), std::runtime_error);
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.mdb"});
    }

    // A sound bank replaces it whole.
    BankTables fewer = sampleBank();
    fewer.questions.resize(40);
    writeBankTables(path, fewer);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.mdb"});
    EXPECT_LT(fileBytes(path).size(), before.size());
}

} // namespace
