#include "registration_fixture.h"

#include "screens/scale.h"

#include <QFile>

namespace {

struct NameCheck
{
    const char *first;
    const char *surname;
    const char *patronymic;
    const char *message;
    int field; // 1, 2 or 3: the field that gets the focus
};

class NameChecks : public RegistrationTest, public ::testing::WithParamInterface<NameCheck>
{};

TEST_P(NameChecks, OnlyTheFirstEmptyFieldIsReportedAndGetsTheFocus)
{
    const NameCheck &c = GetParam();
    enter(c.first, c.surname, c.patronymic);
    fake.boxes.answer(vbOK);
    click(user().Image1);

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.boxes.asked()[0].prompt, QString::fromUtf8(c.message));
    EXPECT_EQ(fake.boxes.asked()[0].style, vbOKOnly);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Quorvane");
    QLineEdit *fields[] = {user().Text1, user().Text2, user().Text3};
    EXPECT_EQ(program.frmUser->focusWidget(), fields[c.field - 1]);
    EXPECT_TRUE(program.frmUser->isVisible());
    EXPECT_FALSE(program.frmMain->isVisible());
    // The exam mode is set before the check and stays set.
    EXPECT_TRUE(program.state.ExamMode);
}

INSTANTIATE_TEST_SUITE_P(
    Order, NameChecks,
    ::testing::Values(
        NameCheck{"", "", "", "Не введено Имя, пожалуйста повторите", 1},
        NameCheck{"", "Иванов", "Сидорович", "Не введено Имя, пожалуйста повторите", 1},
        NameCheck{"Пётр", "", "", "Не введена Фамилия, пожалуйста повторите", 2},
        NameCheck{"Пётр", "Иванов", "", "Не введено Отчество, пожалуйста повторите", 3}));

TEST_F(RegistrationTest, AnExamineeWhoPassesTheCheckIsNamedOnTheMainWindowAndRecorded)
{
    enter("Пётр", "Иванов", "Сидорович");
    click(user().Image1);

    EXPECT_TRUE(fake.boxes.asked().empty());
    EXPECT_EQ(main().Label1->text(), "Тест для Иванов Пётр Сидорович");
    EXPECT_EQ(main().Label12->text(), "Всего вопросов в базе: 60");
    EXPECT_TRUE(program.frmMain->isVisible());
    EXPECT_FALSE(program.frmUser->isVisible());
    EXPECT_EQ(program.state.LastId, 60);
    EXPECT_EQ(bankRun(program.state).DrawnIds.size(), 62u);
    EXPECT_EQ(bank.value("select username from users where id=1").toString(),
              "Иванов Пётр Сидорович");
    EXPECT_EQ(bank.value("select chek from users where id=1").toInt(), 0);
}

TEST_F(RegistrationTest, TheBankSizeFitsItsLineUpToTheLargestBank)
{
    // The line is clipped at its layout width, so the widest count must fit whole.
    const QLabel &line = *main().Label12;
    EXPECT_LE(line.fontMetrics().horizontalAdvance("Всего вопросов в базе: 32767"), line.width());
}

TEST_F(RegistrationTest, ANameLongerThanAFieldShowsIsTakenWhole)
{
    // As long as a full name may be: the surname, its hyphen, the blanks and the other names.
    const QString surname(Rules::LongestFullName - 17, QChar(u'Щ'));
    user().Text1->setText("Petr");
    user().Text2->setText(surname);
    user().Text2->end(false);
    QTest::keyClick(user().Text2, Qt::Key_Minus);
    user().Text3->setText("Sidorovich");
    click(user().Image1);
    EXPECT_EQ(bank.value("select username from users").toString(), surname + "- Petr Sidorovich");
    EXPECT_EQ(user().Text2->width(), 289);
}

TEST_F(RegistrationTest, SpacesAreNamesTooAndAreKeptAsTyped)
{
    enter("  ", " ", " ");
    click(user().Image1);
    EXPECT_TRUE(fake.boxes.asked().empty());
    const QString name = QString(" ") + " " + "  " + " " + " ";
    EXPECT_EQ(main().Label1->text(), "Тест для " + name);
    EXPECT_EQ(bank.value("select username from users").toString(), name);
}

TEST_F(RegistrationTest, ADemonstrationRunAsksFirstChecksNoNamesAndWritesNothing)
{
    const QByteArray before = bank.bytes();
    fake.boxes.answer(vbOK);
    click(user().Image1); // an exam attempt with empty names first
    EXPECT_TRUE(program.state.ExamMode);

    fake.boxes.answer(vbNo);
    click(user().Image3);
    EXPECT_FALSE(program.state.ExamMode);
    EXPECT_TRUE(program.frmUser->isVisible());
    EXPECT_EQ(fake.boxes.asked().back().prompt,
              "Вы выбрали Демо режим, результаты теста засчитаны не будут, продолжить?");
    EXPECT_EQ(fake.boxes.asked().back().style, vbYesNo);
    EXPECT_EQ(fake.boxes.asked().back().title, "Демонстрационный режим.");

    fake.boxes.answer(vbYes);
    click(user().Image3);
    EXPECT_FALSE(program.state.ExamMode);
    EXPECT_TRUE(program.frmMain->isVisible());
    EXPECT_FALSE(program.frmUser->isVisible());
    EXPECT_EQ(main().Label1->text(), "Test");
    EXPECT_EQ(main().Label12->text(), "Всего вопросов в базе: 60");
    EXPECT_FALSE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_F(RegistrationTest, ADemonstrationRunShowsTheMainWindowBeforeItOpensTheBank)
{
    ASSERT_TRUE(QFile::remove(bank.bankPath()));
    bool mainShownAtTheError = false;
    fake.boxes.whileOpen(
        [&] { fake.boxes.whileOpen([&] { mainShownAtTheError = program.frmMain->isVisible(); }); });
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    click(user().Image3);
    ASSERT_EQ(fake.boxes.asked().size(), 2u);
    EXPECT_TRUE(fake.boxes.asked()[1].prompt.contains("data.mdb"));
    EXPECT_TRUE(mainShownAtTheError);
}

TEST_F(RegistrationTest, QuittingAsksAndYesEndsBeforeAnyBankIsOpened)
{
    fake.boxes.answer(vbNo);
    click(user().Image2);
    EXPECT_FALSE(fake.ended());
    EXPECT_EQ(fake.boxes.asked().back().prompt, "Вы уверены что хотите прервать зачет?");
    EXPECT_EQ(fake.boxes.asked().back().title, "Выход из программы тестирования");

    fake.boxes.answer(vbYes);
    click(user().Image2);
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.state.Session);
}

TEST_F(RegistrationTest, ClosingTheWindowByTheSystemAsksTheQuitQuestion)
{
    fake.boxes.answer(vbNo);
    program.frmUser->close();
    EXPECT_EQ(lastPrompt(), "Вы уверены что хотите прервать зачет?");
    EXPECT_TRUE(program.frmUser->isVisible());
}

TEST_F(RegistrationTest, APressedImageSitsTenTwipsLowerUntilReleasedAndTheOthersStay)
{
    for (ImageControl *image : {user().Image1, user().Image2, user().Image3}) {
        QTest::mousePress(image, Qt::RightButton);
        EXPECT_FLOAT_EQ(Top(*image), 2530);
        for (ImageControl *other : {user().Image1, user().Image2, user().Image3})
            if (other != image)
                EXPECT_FLOAT_EQ(Top(*other), 2520);
        QTest::mouseRelease(image, Qt::RightButton, {}, QPoint(-5, -5));
        EXPECT_FLOAT_EQ(Top(*image), 2520);
        EXPECT_EQ(image->y(), 168);
    }
    EXPECT_TRUE(fake.boxes.asked().empty());
}

TEST_F(RegistrationTest, APressOnAButtonsTopEdgeClicksThoughThePressedLookMovedItAway)
{
    enter("Пётр", "Иванов", "Сидорович");
    QTest::mousePress(user().Image1, Qt::LeftButton, {}, QPoint(10, 0));
    ASSERT_EQ(user().Image1->y(), 169);
    // The pointer has not moved: it is now just above the pressed image.
    QTest::mouseRelease(user().Image1, Qt::LeftButton, {}, QPoint(10, -1));
    EXPECT_TRUE(program.frmMain->isVisible());
    EXPECT_EQ(bank.value("select username from users").toString(), "Иванов Пётр Сидорович");
}

} // namespace
