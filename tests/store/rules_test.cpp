#include "store/bank_source.h"
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
