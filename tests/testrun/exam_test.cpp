#include "exam_fixture.h"

#include "testrun/question_draw.h"
#include "store/question_draw.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include "screens/pictures.h"
#include "screens/scale.h"

#include <QImage>
#include <QPixmap>
#include <QSet>

namespace {

TEST_F(ExamTest, TheResultPanelIsFilledAndTheActionButtonIsDoneForGood)
{
    // The time counts from the program's start, so the minutes spent registering count too.
    fake.clock.advance(3 * 60);
    registerExam();
    fake.clock.advance(22 * 60 + 7);
    program.frmMain->Timer2.tick();
    takeExam(40);

    EXPECT_EQ(main().Label14->text(), "Время зачета: 0:25:07");
    EXPECT_EQ(main().Label15->text(), "Вопросов в базе: 40");
    EXPECT_EQ(main().Label16->text(), "Всего вопросов: 40");
    EXPECT_EQ(main().Label17->text(), "Проходной бал: 32");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 40");
    EXPECT_TRUE(main().Frame1->isVisible());
    EXPECT_FALSE(main().Picture4->isEnabled());
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(104));
    EXPECT_FALSE(program.frmMain->Timer1.Enabled());

    // Presses and clicks now change nothing.
    pressActionButton();
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(104));
    EXPECT_EQ(run().QuestionNo, 40);
    // The clock goes on; the panel keeps the time of the result.
    fake.clock.advance(60);
    program.frmMain->Timer2.tick();
    EXPECT_EQ(main().Label10->text(), "0:26:07");
    EXPECT_EQ(main().Label14->text(), "Время зачета: 0:25:07");
    // The exit asks nothing now.
    QTest::mouseClick(main().Image1, Qt::LeftButton);
    EXPECT_TRUE(fake.ended());
    EXPECT_TRUE(fake.boxes.asked().empty());
}

TEST_F(ExamTest, AFortyQuestionBankIsAskedWholeInSomeOrderWithTheBarAndNumberFollowing)
{
    registerDemo();
    pressActionButton();
    QSet<int> asked;
    for (int question = 1; question <= 40; ++question) {
        EXPECT_EQ(run().QuestionNo, question);
        EXPECT_EQ(main().Label7->text(), QString::number(question));
        EXPECT_FLOAT_EQ(Width(*main().lblProgress), question * 29.625f);
        asked.insert(shownId());
        pressActionButton();
    }
    EXPECT_EQ(asked.size(), 40);
    EXPECT_FALSE(asked.contains(0));
    EXPECT_LE(*std::max_element(asked.begin(), asked.end()), 40);
    EXPECT_EQ(bankSide().DrawnIds.front(), 0);
    EXPECT_EQ(bankSide().DrawnIds.back(), 0);
    EXPECT_FLOAT_EQ(Width(*main().lblProgress), 1185);
    // Re-seeded before every attempt, not once per question.
    EXPECT_GE(fake.random.seeds(), 40);
    EXPECT_EQ(fake.random.seeds(), fake.random.calls());
}

TEST_F(ExamTest, ADrawThatCanNeverFindANewQuestionFailsAtOnceInsteadOfHanging)
{
    // A 41st question from a bank of 40: every id is taken.
    std::vector<qint16> drawn(42, 0);
    for (qint16 k = 1; k <= 40; ++k)
        drawn[k] = k;
    EXPECT_THROW(drawUnaskedId(reseededRandom(fake.runtime), drawn, 40), std::logic_error);
}

class WriteAheadLogBank : public ExamTest
{
protected:
    WriteAheadLogBank() { bank.run("PRAGMA journal_mode = WAL"); }
    QStringList besideTheBank() const
    {
        return QDir(bank.workPath()).entryList(QDir::Files | QDir::Hidden);
    }
};

TEST_F(WriteAheadLogBank, AnExamEndsWithTheRecordInTheFileItselfAndNothingBesideIt)
{
    registerExam();
    takeExam(32);
    QTest::mouseClick(main().Image1, Qt::LeftButton);
    ASSERT_TRUE(fake.ended());
    EXPECT_EQ(besideTheBank(), QStringList{"data.mdb"});
    EXPECT_EQ(bank.value("select chek from users").toInt(), 1);
}

TEST_F(WriteAheadLogBank, ADemonstrationRunLeavesTheFileAsItWasAndNothingBesideIt)
{
    const QByteArray before = bank.bytes();
    registerDemo();
    takeExam(40);
    QTest::mouseClick(main().Image1, Qt::LeftButton);
    ASSERT_TRUE(fake.ended());
    EXPECT_EQ(besideTheBank(), QStringList{"data.mdb"});
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(ExamTest, TheFirstClickStartsTheTestAndTheFacesFollowTheButton)
{
    registerExam();
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(103));
    EXPECT_TRUE(main().Label4->isVisible());

    QTest::mousePress(main().Picture4, Qt::LeftButton);
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(101));
    EXPECT_FALSE(run().TestRunning);
    QTest::mouseRelease(main().Picture4, Qt::LeftButton);
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(102));

    EXPECT_TRUE(run().TestRunning);
    EXPECT_TRUE(program.frmMain->Timer1.Enabled());
    EXPECT_EQ(run().QuestionNo, 1);
    EXPECT_TRUE(main().Picture2->isVisible());
    EXPECT_TRUE(main().Line1->isVisible());
    EXPECT_TRUE(main().Picture1->picture().isNull());
    // The hint lies wholly under the question picture now.
    EXPECT_TRUE(main().Picture2->geometry().contains(main().Label4->geometry()));
    EXPECT_EQ(main().Label5->text(), "");
}

TEST_F(ExamTest, AnswersAppearAsFourControlsOfTheQuestionsKindAtTheirPlaces)
{
    registerDemo();
    pressActionButton();
    for (int question = 0; question < 4; ++question) {
        const bool single = shownId() % 2 == 0;
        EXPECT_EQ(program.frmMain->Option1.Count(), single ? 5 : 1);
        EXPECT_EQ(program.frmMain->Check1.Count(), single ? 1 : 5);
        for (int k = 1; k <= 4; ++k) {
            QAbstractButton &element =
                single ? static_cast<QAbstractButton &>(program.frmMain->Option1(k))
                       : program.frmMain->Check1(k);
            EXPECT_FLOAT_EQ(Top(element), 187 + 20 * k);
            EXPECT_TRUE(element.isVisible());
            EXPECT_FALSE(element.isChecked());
            EXPECT_EQ(element.text(), QStringLiteral("Ответ %1.%2").arg(shownId()).arg(k));
        }
        EXPECT_EQ(main().Label6->text(), QStringLiteral("Вопрос %1").arg(shownId()));
        pressActionButton();
    }
}

// A row is one strip of the panel's colour from end to end, and a click anywhere on it ticks it,
// also far to the right of a short caption.
TEST_F(ExamTest, AnAnswerRowShowsThePanelsColourAndTakesAClickAcrossItsWholeWidth)
{
    registerDemo();
    pressActionButton();
    bool sawOptions = false;
    bool sawChecks = false;
    for (int question = 1; question <= 40 && !(sawOptions && sawChecks); ++question) {
        const bool single = shownId() % 2 == 0;
        (single ? sawOptions : sawChecks) = true;
        QAbstractButton &row = single ? static_cast<QAbstractButton &>(program.frmMain->Option1(2))
                                      : program.frmMain->Check1(2);
        const QPoint blank(row.width() - 10, row.height() / 2);
        const QImage look = row.grab().toImage();
        EXPECT_EQ(look.pixel(blank), qRgb(224, 224, 224)) << (single ? "option" : "check box");
        EXPECT_EQ(look.pixel(row.width() - 1, 0), qRgb(224, 224, 224));
        QTest::mouseClick(&row, Qt::LeftButton, {}, blank);
        EXPECT_TRUE(row.isChecked()) << (single ? "option" : "check box");
        pressActionButton();
    }
    EXPECT_TRUE(sawOptions && sawChecks);
}

TEST_F(ExamTest, AQuestionPictureShowsAndTheNextQuestionWithoutOneClearsIt)
{
    registerDemo();
    pressActionButton();
    bool sawPicture = false;
    bool clearedAfter = false;
    for (int question = 1; question <= 40 && !clearedAfter; ++question) {
        if (shownId() == 2) {
            sawPicture = true;
            EXPECT_EQ(main().Picture2->picture().size(), QSize(40, 20));
        } else if (sawPicture) {
            clearedAfter = true;
            EXPECT_TRUE(main().Picture2->picture().isNull());
        }
        pressActionButton();
    }
    EXPECT_TRUE(sawPicture);
}

// Texts from the bank are shown as written: angle brackets are no markup and an ampersand is no
// access key (which would also take Alt+A away from the examinee's keyboard).
TEST_F(ExamTest, BankTextsShowAsWrittenNeitherMarkupNorAccessKeys)
{
    const QString question = QStringLiteral("Что делает тег <b>…</b> в HTML?");
    const QString answer = QStringLiteral("Шрифт &Arial, <i>курсив</i>");
    bank.run("UPDATE questions SET type = 0, question = ?, answ1 = ?", {question, answer});
    registerDemo();
    pressActionButton();

    EXPECT_EQ(main().Label6->text(), question);
    EXPECT_EQ(main().Label6->textFormat(), Qt::PlainText);
    QAbstractButton &first = program.frmMain->Option1(1);
    EXPECT_TRUE(QKeySequence::mnemonic(first.text()).isEmpty()) << qPrintable(first.text());
    EXPECT_EQ(first.text().replace(QLatin1String("&&"), QLatin1String("&")), answer);
}

struct Presentation
{
    const char *name;
    QVariant type;
    QVariant picture;
    int answerControls; // 0, or 4 option buttons or check boxes
    bool hasPicture;
};

class PresentationTest : public ExamTest, public ::testing::WithParamInterface<Presentation>
{};

// Question 2 as the bank holds it, however its kind and picture are stored.
TEST_P(PresentationTest, ShowsAnswersOnlyForTheTwoKindsAndAPictureOnlyForANumber)
{
    bank.run("UPDATE questions SET type = ?, picture = ? WHERE id = 2",
             {GetParam().type, GetParam().picture});
    registerDemo();
    pressActionButton();
    while (shownId() != 2 && run().QuestionNo < 40)
        pressActionButton();
    ASSERT_EQ(shownId(), 2);

    const int options = program.frmMain->Option1.Count() - 1;
    const int checks = program.frmMain->Check1.Count() - 1;
    EXPECT_EQ(options + checks, GetParam().answerControls);
    EXPECT_EQ(main().Picture2->picture().isNull(), !GetParam().hasPicture);
    if (GetParam().hasPicture)
        EXPECT_EQ(main().Picture2->picture().size(), QSize(40, 20));
}

INSTANTIATE_TEST_SUITE_P(
    Stored, PresentationTest,
    ::testing::Values(Presentation{"KindNull", QVariant(), QVariant("1"), 0, true},
                      Presentation{"KindTwo", QVariant(2), QVariant(), 0, false},
                      Presentation{"PictureEmpty", QVariant(0), QVariant(""), 4, false},
                      Presentation{"PictureWithBlanksAndZeros", QVariant(0), QVariant(" 001 "), 4,
                                   true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
