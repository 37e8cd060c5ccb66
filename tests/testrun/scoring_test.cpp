#include "exam_fixture.h"

#include "screens/system_services.h"
#include "testrun/answer_code.h"

#include <QSet>

namespace {

TEST(AnswerCode, IsTheSumOfTheWeightsOneFourEightSixteen)
{
    EXPECT_EQ(answerCode({false, false, false, false}), 0);
    EXPECT_EQ(answerCode({false, true, false, false}), 4);
    EXPECT_EQ(answerCode({true, false, true, false}), 9);
    EXPECT_EQ(answerCode({false, false, false, true}), 16);
    EXPECT_EQ(answerCode({true, true, true, true}), 29);
    QSet<int> codes;
    for (int set = 0; set < 16; ++set)
        codes.insert(answerCode({bool(set & 1), bool(set & 2), bool(set & 4), bool(set & 8)}));
    EXPECT_EQ(codes.size(), 16);
    EXPECT_FALSE(codes.contains(2));
}

// Every question of the bank gets the same kind and code; the examinee ticks the same set.
struct Scored
{
    const char *name;
    int type;
    const char *ball; // SQL literal
    std::array<bool, 4> ticked;
    bool right;
};

class Scoring : public ExamTest, public ::testing::WithParamInterface<Scored>
{};

TEST_P(Scoring, ComparesTheCodeOfTheTickedAnswersWithTheStoredOne)
{
    const Scored &c = GetParam();
    bank.run(QStringLiteral("UPDATE questions SET type = %1, ball = %2").arg(c.type).arg(c.ball));
    registerDemo();
    pressActionButton();
    for (int k = 1; k <= 4; ++k) {
        if (!c.ticked[k - 1])
            continue;
        if (c.type == 0)
            QTest::mouseClick(&program.frmMain->Option1(k), Qt::LeftButton, {}, OnTheBox);
        else
            QTest::mouseClick(&program.frmMain->Check1(k), Qt::LeftButton, {}, OnTheBox);
    }
    pressActionButton();
    EXPECT_EQ(bankSide().RightCount, c.right ? 1 : 0) << "code " << run().AnswerCode;
    EXPECT_EQ(program.frmMain->Option1.Count(), c.type == 0 ? 5 : 1);
    EXPECT_EQ(program.frmMain->Check1.Count(), c.type == 1 ? 5 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Scoring,
    ::testing::Values(Scored{"SecondOption", 0, "4", {false, true, false, false}, true},
                      Scored{"CodeTwoNeverRight", 0, "2", {false, true, false, false}, false},
                      Scored{"FirstAndThird", 1, "9", {true, false, true, false}, true},
                      Scored{"AllFour", 1, "29", {true, true, true, true}, true},
                      Scored{"SubsetIsWrong", 1, "29", {true, true, true, false}, false},
                      Scored{"NothingTickedZero", 1, "0", {false, false, false, false}, true},
                      Scored{"NothingTickedNonZero", 0, "4", {false, false, false, false}, false},
                      Scored{"NullNeverRight", 1, "NULL", {false, false, false, false}, false},
                      Scored{"NoAnswersShownCodeZero", 2, "0", {false, false, false, false}, true},
                      Scored{"NoAnswersShownNull", 2, "NULL", {false, false, false, false}, false}),
    [](const auto &info) { return std::string(info.param.name); });

// A bank made by another tool may keep the code as text; text that reads as a number is compared
// as that number.
TEST_F(ExamTest, ACodeKeptAsTextCountsAsTheNumberItReads)
{
    bank.run("ALTER TABLE questions RENAME TO kept");
    bank.run("CREATE TABLE questions (id INTEGER PRIMARY KEY, question TEXT, answ1 TEXT, "
             "answ2 TEXT, answ3 TEXT, answ4 TEXT, ball TEXT, picture TEXT, type INTEGER)");
    bank.run("INSERT INTO questions SELECT id, question, answ1, answ2, answ3, answ4, '4', "
             "picture, 0 FROM kept");
    bank.run("DROP TABLE kept");
    ASSERT_EQ(bank.value("select count(*) from questions where typeof(ball) = 'text'").toInt(), 40);

    registerDemo();
    pressActionButton();
    QTest::mouseClick(&program.frmMain->Option1(2), Qt::LeftButton, {}, OnTheBox);
    pressActionButton();
    EXPECT_EQ(bankSide().RightCount, 1);
    QTest::mouseClick(&program.frmMain->Option1(3), Qt::LeftButton, {}, OnTheBox);
    pressActionButton();
    EXPECT_EQ(bankSide().RightCount, 1) << "code " << run().AnswerCode;
}

TEST(Reseeding, GivesAFreshNumberEveryTimeEvenWithinOneClockTick)
{
    SystemRandom random;
    QSet<double> seen;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        random.randomize();
        const double r = random.next();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 1000);
}

} // namespace
