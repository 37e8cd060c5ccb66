#include "store/bank_source.h"
#include "store/question_digest.h"
#include "store/rules.h"

#include <gtest/gtest.h>

namespace {

using Rules::Ticks;

TEST(RulesTest, TicksAndCodesGoBothWaysOnlyWhereTheKindAllows)
{
    struct Case
    {
        int type;
        double code;
        std::optional<Ticks> ticks;
    };
    const Case cases[] = {
        {Rules::OptionButtons, 1, Ticks{true, false, false, false}},
        {Rules::OptionButtons, 16, Ticks{false, false, false, true}},
        {Rules::OptionButtons, 5, std::nullopt}, // two answers with option buttons
        {Rules::CheckBoxes, 5, Ticks{true, true, false, false}},
        {Rules::CheckBoxes, 29, Ticks{true, true, true, true}},
        {Rules::CheckBoxes, 0, std::nullopt}, // no tick is no answer
        {Rules::CheckBoxes, 2, std::nullopt}, // there is no weight 2
        {Rules::CheckBoxes, 30, std::nullopt},
        {Rules::CheckBoxes, 4.5, std::nullopt},
        {2, 4, std::nullopt}, // a kind that shows no answers
        {-1, 1, std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Rules::ticksGiving(c.type, c.code), c.ticks) << c.type << " " << c.code;
        EXPECT_EQ(Rules::ticksCanGive(c.type, c.code), c.ticks.has_value());
        if (c.ticks)
            EXPECT_EQ(Rules::codeOfTicks(*c.ticks), c.code);
    }
    EXPECT_EQ(Rules::codeOfTicks(Ticks{}), 0);
}

// A kind that only looks like 0 once cut to 32 bits shows no answers: its code is written as a
// code, not as starred answers.
TEST(RulesTest, ASourceWritesStarsOnlyForTheKindsThatShowAnswers)
{
    QuestionRow row;
    row.id = qlonglong(1);
    row.question = QStringLiteral("Вопрос");
    for (auto &answer : row.answers)
        answer = QStringLiteral("ответ");
    row.ball = qlonglong(4);
    row.type = qlonglong(1) << 32;
    QStringList problems;
    const QString text = bankSourceText(BankTables{{row}, {}}, problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    const QString block = text.mid(text.indexOf(QStringLiteral("\n[1]\n")));
    EXPECT_TRUE(block.contains(QStringLiteral("ball: 4"))) << block.toStdString();
    EXPECT_FALSE(block.contains(QStringLiteral("answer*"))) << block.toStdString();
}

} // namespace

// The digest tells apart what the exam would show or score differently, and nothing else.
TEST(QuestionDigestTest, DiffersWithAnyValueOrKindAndIgnoresNothingElse)
{
    const QVariantList row{QStringLiteral("Текст"), qlonglong(0), QStringLiteral("а"),
                           QStringLiteral("б"), QVariant(), QStringLiteral(""), qlonglong(4),
                           QVariant()};
    const QByteArray digest = QuestionDigest::of(row);
    EXPECT_EQ(digest.size(), 32);
    EXPECT_EQ(QuestionDigest::of(row), digest);
    for (qsizetype i = 0; i < row.size(); ++i) {
        QVariantList changed = row;
        changed[i] = changed[i].isNull() ? QVariant(QStringLiteral("x")) : QVariant();
        EXPECT_NE(QuestionDigest::of(changed), digest) << "column " << i;
    }
    QVariantList textBall = row;
    textBall[6] = QStringLiteral("4"); // the same number kept as text
    EXPECT_NE(QuestionDigest::of(textBall), digest);
    QVariantList realBall = row;
    realBall[6] = 4.0;
    EXPECT_NE(QuestionDigest::of(realBall), digest);
    QVariantList moved = row; // "аб" + "" against "а" + "б"
    moved[2] = QStringLiteral("аб");
    moved[3] = QString();
    EXPECT_NE(QuestionDigest::of(moved), digest);
    QVariantList empty = row; // an empty text is not a Null
    empty[5] = QVariant();
    EXPECT_NE(QuestionDigest::of(empty), digest);
}
