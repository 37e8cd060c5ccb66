#include "registration_fixture.h"

namespace {

QString repeatedAttempt(const QString &name, const QString &result)
{
    return "\r\nЗачет для: < " + name + " > уже засчитан\r\n\r\nРезультат: - " + result;
}

struct Recorded
{
    QVariant chek;
    const char *result;
};

class RepeatedAttempt : public RegistrationTest, public ::testing::WithParamInterface<Recorded>
{};

TEST_P(RepeatedAttempt, IsRefusedWithTheStoredResultAndTheRecordStaysAsItWas)
{
    bank.run("UPDATE users SET username=?, chek=? WHERE id=1",
             {"Иванов Пётр Сидорович", GetParam().chek});
    const QByteArray before = bank.bytes();
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.boxes.asked()[0].prompt,
              repeatedAttempt("Иванов Пётр Сидорович", GetParam().result));
    EXPECT_EQ(fake.boxes.asked()[0].style, vbInformation);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Результат теста...");
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.frmMain->isVisible());
    EXPECT_FALSE(program.frmUser->isVisible());
    EXPECT_EQ(bank.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    StoredResults, RepeatedAttempt,
    ::testing::Values(Recorded{1, "УСПЕШНО"}, Recorded{-1, "УСПЕШНО"}, Recorded{0, "НЕ СДАН"},
                      Recorded{QVariant(QMetaType::fromType<int>()), "НЕ СДАН"}));

class DifferentName : public RegistrationTest, public ::testing::WithParamInterface<const char *>
{};

TEST_P(DifferentName, IsAdmittedAndOverwritesTheRecordWithTheFlagCleared)
{
    bank.run("UPDATE users SET username=?, chek=1 WHERE id=1", {"Иванов Пётр Сидорович"});
    const QStringList parts = QString::fromUtf8(GetParam()).split('|');
    enter(parts[1], parts[0], parts[2]);
    click(user().Image1);

    EXPECT_TRUE(fake.boxes.asked().empty());
    EXPECT_FALSE(fake.ended());
    EXPECT_TRUE(program.frmMain->isVisible());
    EXPECT_EQ(bank.value("select username from users").toString(), parts.join(' '));
    EXPECT_EQ(bank.value("select chek from users").toInt(), 0);
}

INSTANTIATE_TEST_SUITE_P(NotTheSame, DifferentName,
                         ::testing::Values("Иванов|пётр|Сидорович", "Иванов|Пётр |Сидорович",
                                           "Иванов|Петр|Сидорович", "Петров|Пётр|Сидорович"));

TEST_F(RegistrationTest, AnyNonZeroNumberIsAPassWhateverTheColumnIsDeclared)
{
    // Other tools declare the flag as a plain number, which keeps the 1 written for a pass.
    bank.run("DROP TABLE users");
    bank.run("CREATE TABLE users (id INTEGER, username TEXT, chek INTEGER)");
    bank.run("INSERT INTO users VALUES (1, ?, 1)", {"Иванов Пётр Сидорович"});
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbOK);
    click(user().Image1);
    EXPECT_EQ(lastPrompt(), repeatedAttempt("Иванов Пётр Сидорович", "УСПЕШНО"));
}

TEST_F(RegistrationTest, ANullRecordedNameEqualsNobody)
{
    bank.run("UPDATE users SET username=NULL, chek=1 WHERE id=1");
    enter("Пётр", "Иванов", "Сидорович");
    click(user().Image1);
    EXPECT_FALSE(fake.ended());
    EXPECT_EQ(bank.value("select username from users").toString(), "Иванов Пётр Сидорович");
}

TEST_F(RegistrationTest, ADemonstrationRunWorksEvenUnderTheRecordedName)
{
    bank.run("UPDATE users SET username=?, chek=0 WHERE id=1", {"Иванов Пётр Сидорович"});
    const QByteArray before = bank.bytes();
    enter("Пётр", "Иванов", "Сидорович");
    fake.boxes.answer(vbYes);
    click(user().Image3);
    EXPECT_FALSE(fake.ended());
    EXPECT_TRUE(program.frmMain->isVisible());
    EXPECT_EQ(bank.bytes(), before);
}

// Names a person may type, however odd, are stored exactly and recognised the next time.
class HostileName : public RegistrationTest, public ::testing::WithParamInterface<QString>
{};

TEST_P(HostileName, IsStoredExactlyAndRecognisedOnTheNextAttempt)
{
    const QString surname = GetParam();
    enter("Пётр", surname, "Сидорович");
    click(user().Image1);
    ASSERT_FALSE(fake.ended());
    const QString full = surname + " Пётр Сидорович";
    EXPECT_EQ(bank.value("select username from users where id=1").toString(), full);
    EXPECT_EQ(bank.value("select count(*) from users").toInt(), 1);
    EXPECT_EQ(bank.value("select count(*) from questions").toInt(), 60);
    EXPECT_EQ(main().Label1->text(), "Тест для " + full);

    // The same examinee again, in a new run of the program.
    Program again(fake.runtime);
    again.frmUser.Show();
    again.frmUser->ui().Text1->setText("Пётр");
    again.frmUser->ui().Text2->setText(surname);
    again.frmUser->ui().Text3->setText("Сидорович");
    fake.boxes.answer(vbOK);
    QTest::mouseClick(again.frmUser->ui().Image1, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(),
              "\r\nЗачет для: < " + full + " > уже засчитан\r\n\r\nРезультат: - НЕ СДАН");
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, HostileName,
    ::testing::Values(QString("Д'Артаньян"), QString("O'Brien''"), QString("'"),
                      QString("x' , chek=1 WHERE id=1; --"), QString("'); DROP TABLE users; --"),
                      QString("Robert\"); DELETE FROM questions"), QString(Rules::LongestFullName - 15, QChar(u'Ж')),
                      QString("Müller-Lüdenscheidt"), QString("山田 太郎"), QString("محمد"),
                      QString::fromUtf8("Иванов 🙂👍🏽"), QString("%_\\?:1 @name $1")));

} // namespace
