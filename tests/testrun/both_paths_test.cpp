// The exam on both paths, with the same assertions: the bank opened by the window's own process,
// and the bank sealed from it, opened by the real keeper program, which the test starts as a
// socket-activated service and runs on a clock it moves.
#include "exam_fixture.h"

#include "exam/keeper_protocol.h"
#include "screens/pictures.h"
#include "screens/scale.h"
#include "store/question_digest.h"
#include "support/keeper_service.h"
#include "support/sealed_folder.h"

#include <QFile>
#include <QSysInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class ExamPath { InProcess, ThroughTheKeeper };

class BothPaths : public ExamTest, public ::testing::WithParamInterface<ExamPath>
{
protected:
    BothPaths()
    {
        if (GetParam() == ExamPath::ThroughTheKeeper)
            sealTheBank();
    }

    bool throughTheKeeper() const { return GetParam() == ExamPath::ThroughTheKeeper; }

    // The bank's folder and file as the package gives them to the keeper's account, the keeper
    // beside the program, and the window told the bank is sealed.
    void sealTheBank()
    {
        EXPECT_EQ(sealForKeeper(bank.workPath(), keeperUid(), keeperGid()), QString());
        // The keeper's account reads its clock from the program folder.
        EXPECT_EQ(chmod(QFile::encodeName(bank.appPath()).constData(), 0755), 0);
        EXPECT_TRUE(QFile::copy(reachableCopy(QStringLiteral(QUORVANE_TEST_CLOCK_KEEPER_PATH)),
                                QDir(bank.appPath()).filePath("quorvane-keeper")));
        moveKeeperClock(0);
        run().BankSealed = [] { return true; };
        service = std::make_unique<KeeperService>(keeperProgram(), QStringList{clockFile()},
                                                  bank.workPath());
        EXPECT_TRUE(service->listening()) << service->log().toStdString();
        run().StartKeeper = [this](const QString &) { return service->connect(); };
    }

    QString clockFile() const { return QDir(bank.appPath()).filePath("clock"); }
    QString keeperProgram() const { return QDir(bank.appPath()).filePath("quorvane-keeper"); }
    // What the keepers said in the service's log but the line each ends a session with (and
    // what systemd-socket-activate says of itself).
    QString keeperSaid() const
    {
        if (!service)
            return {};
        QStringList lines = service->log().split('\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString &line) {
            return !line.startsWith("quorvane-keeper: ") || line.contains("quorvane-keeper: сеанс:");
        });
        return lines.join('\n');
    }

    // Moves the keeper's clock on, as a machine that stalled while the window's countdown lost
    // its ticks: the window notices nothing.
    void moveKeeperClock(double seconds)
    {
        m_moved += seconds;
        if (!throughTheKeeper())
            return;
        QFile file(clockFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(m_moved, 'f', 3));
    }

    void enter(const QString &first, const QString &surname, const QString &patronymic)
    {
        auto &user = program.frmUser->ui();
        user.Text1->setText(first);
        user.Text2->setText(surname);
        user.Text3->setText(patronymic);
    }
    void clickExam() { QTest::mouseClick(program.frmUser->ui().Image1, Qt::LeftButton); }
    void leave() { QTest::mouseClick(main().Image1, Qt::LeftButton); }

    QVariant journal(const QString &column)
    {
        return bank.value("select " + column + " from attempts order by id desc limit 1");
    }
    int chek() { return bank.value("select chek from users").toInt(); }
    QString username() { return bank.value("select username from users").toString(); }
    QString lastPrompt() const
    {
        return fake.boxes.asked().empty() ? QString() : fake.boxes.asked().back().prompt;
    }
    QStringList besideTheBank() const
    {
        return QDir(bank.workPath()).entryList(QDir::Files | QDir::Hidden);
    }

    // An answer given `seconds` after its question was shown, on the clock of whichever session
    // times it.
    void waitBeforeAnswering(int seconds)
    {
        fake.clock.advance(seconds);
        moveKeeperClock(seconds);
    }
    // The kept answers in their order, each "place:question:code:scored:seconds:shown".
    QString keptAnswers()
    {
        return bank
            .value("select group_concat(a, ' ') from (select place || ':' || question || ':' || "
                   "code || ':' || scored || ':' || printf('%.1f', seconds) || ':' || "
                   "lower(hex(shown)) as a from answers order by place)")
            .toString();
    }
    int answerRows() { return bank.value("select count(*) from answers").toInt(); }

    std::unique_ptr<KeeperService> service;

private:
    double m_moved = 0;
};

TEST_P(BothPaths, ThirtyTwoRightPassesWithTheRecordJournalAndPanelToMatch)
{
    registerExam();
    EXPECT_EQ(main().Label12->text(), "Всего вопросов в базе: 40");
    EXPECT_EQ(username(), "Иванов Пётр Сидорович");
    EXPECT_TRUE(journal("finished").isNull());
    takeExam(32);

    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_FALSE(run().TestRunning);
    EXPECT_EQ(run().RightCount, 32);
    EXPECT_EQ(main().Label13->text(), "Тест сдан... Ура!!!");
    EXPECT_EQ(main().Label15->text(), "Вопросов в базе: 40");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 32");
    EXPECT_TRUE(main().Frame1->isVisible());
    EXPECT_EQ(main().Picture4->picture(), LoadResPicture(104));
    EXPECT_EQ(chek(), 1);
    EXPECT_EQ(bank.value("select count(*) from attempts").toInt(), 1);
    EXPECT_EQ(journal("username").toString(), "Иванов Пётр Сидорович");
    EXPECT_EQ(journal("questions").toInt(), 40);
    EXPECT_EQ(journal("right_answers").toInt(), 32);
    EXPECT_EQ(journal("passed").toInt(), 1);
    EXPECT_FALSE(journal("finished").isNull());
    EXPECT_EQ(journal("host").toString(), QSysInfo::machineHostName());
    // The account as the kernel names it to the keeper, or this process's own.
    EXPECT_EQ(journal("account").toString(), testAccount());
    if (throughTheKeeper())
        EXPECT_TRUE(service->logGets(QStringLiteral("сеанс: учётная запись ") + testAccount() +
                                     QStringLiteral(", экзамен")))
            << service->log().toStdString();
}

// Each answer is kept with the result as it was given: the question, the code of the ticks, whether
// it counted, the time it took and what the question said.
TEST_P(BothPaths, EveryAnswerIsKeptWithTheResultAsItWasGiven)
{
    const std::vector<BankQuestion> questions = BankFixture::questions(40);
    registerExam();
    pressActionButton();
    QStringList given;
    for (int place = 1; place <= 40; ++place) {
        const bool right = place % 3 != 0;
        const int id = shownId();
        // The ticks tick() gives: answer 2, or 1 and 3, when right; answer 1 alone when not.
        const int code = !right ? 1 : program.frmMain->Option1.Count() > 1 ? 4 : 9;
        const QuestionRow row = questions[std::size_t(id - 1)].row();
        const QByteArray shown =
            QuestionDigest::of({row.question, row.type, row.answers[0], row.answers[1],
                                row.answers[2], row.answers[3], row.ball, row.picture});
        given.push_back(QString("%1:%2:%3:%4:%5.0:%6")
                            .arg(place)
                            .arg(id)
                            .arg(code)
                            .arg(int(right))
                            .arg(place)
                            .arg(QString::fromLatin1(shown.toHex())));
        tick(right);
        waitBeforeAnswering(place);
        EXPECT_EQ(answerRows(), 0) << "written before the result, at question " << place;
        pressActionButton();
    }
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 27");
    EXPECT_EQ(keptAnswers(), given.join(' '));
    EXPECT_EQ(bank.value("select sum(scored) from answers").toInt(),
              journal("right_answers").toInt());
    EXPECT_EQ(bank.value("select count(*) from answers where attempt = (select id from attempts)")
                  .toInt(),
              40);
}

TEST_P(BothPaths, ThirtyOneRightFailsAndClearsAnEarlierPass)
{
    bank.run("UPDATE users SET chek=1");
    registerExam();
    takeExam(31);
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label13->text(), "Тест не сдан...");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 31");
    EXPECT_EQ(chek(), 0);
    EXPECT_EQ(journal("right_answers").toInt(), 31);
    EXPECT_EQ(journal("passed").toInt(), 0);
}

TEST_P(BothPaths, FortyWrongIsAFailWithNoneRightAndNoError)
{
    registerExam();
    takeExam(0);
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_FALSE(fake.ended());
    EXPECT_EQ(main().Label13->text(), "Тест не сдан...");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 0");
    EXPECT_TRUE(main().Frame1->isVisible());
    EXPECT_EQ(chek(), 0);
    EXPECT_EQ(journal("right_answers").toInt(), 0);
}

TEST_P(BothPaths, ARepeatIsRefusedWithTheRecordedResultAndNothingWritten)
{
    bank.run("UPDATE users SET username=?, chek=1 WHERE id=1", {"Иванов Пётр Сидорович"});
    const QByteArray before = bank.bytes();
    fake.boxes.answer(vbOK);
    enter("Пётр", "Иванов", "Сидорович");
    clickExam();

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(fake.boxes.asked()[0].prompt,
              "\r\nЗачет для: < Иванов Пётр Сидорович > уже засчитан\r\n\r\nРезультат: - УСПЕШНО");
    EXPECT_EQ(fake.boxes.asked()[0].style, vbInformation);
    EXPECT_EQ(fake.boxes.asked()[0].title, "Результат теста...");
    EXPECT_TRUE(fake.ended());
    EXPECT_FALSE(program.frmMain->isVisible());
    EXPECT_EQ(bank.bytes(), before);
}

TEST_P(BothPaths, ADemonstrationRunCountsTheSameAndWritesNothing)
{
    bank.run("UPDATE users SET username=?, chek=0 WHERE id=1", {"Иванов Пётр Сидорович"});
    const QByteArray before = bank.bytes();
    registerDemo();
    takeExam(35);
    // Only the question whether to run a demonstration.
    EXPECT_EQ(fake.boxes.asked().size(), 1u) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label13->text(), "Тест сдан... Ура!!!");
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 35");
    leave();
    ASSERT_TRUE(fake.ended());
    EXPECT_EQ(bank.bytes(), before);
    EXPECT_EQ(besideTheBank(), QStringList{"data.mdb"});
}

// A field of spaces only is a name: it is admitted and recorded as typed, then the exam goes on.
TEST_P(BothPaths, NamesOfSpacesAreAdmittedAndRecordedAsTyped)
{
    enter("  ", " ", " ");
    clickExam();
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    ASSERT_TRUE(program.frmMain->isVisible());
    // Surname, space, first name, space, patronymic.
    const QString name = QString(" ") + " " + "  " + " " + " ";
    EXPECT_EQ(username(), name);
    EXPECT_EQ(journal("username").toString(), name);
    takeExam(32);
    EXPECT_EQ(chek(), 1);
}

TEST_P(BothPaths, NamesOfApostrophesAreStoredExactlyAndRecognisedTheNextTime)
{
    const QString name = "Д'Артаньян O'Brien'' '); DROP TABLE users; --";
    enter("O'Brien''", "Д'Артаньян", "'); DROP TABLE users; --");
    clickExam();
    ASSERT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_EQ(username(), name);
    EXPECT_EQ(bank.value("select count(*) from users").toInt(), 1);
    EXPECT_EQ(bank.value("select count(*) from questions").toInt(), 40);
    program.state.Session.reset();

    Program again(fake.runtime);
    again.state.BankSealed = run().BankSealed;
    again.state.StartKeeper = run().StartKeeper;
    again.frmUser.Show();
    again.frmUser->ui().Text1->setText("O'Brien''");
    again.frmUser->ui().Text2->setText("Д'Артаньян");
    again.frmUser->ui().Text3->setText("'); DROP TABLE users; --");
    fake.boxes.answer(vbOK);
    QTest::mouseClick(again.frmUser->ui().Image1, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(),
              "\r\nЗачет для: < " + name + " > уже засчитан\r\n\r\nРезультат: - НЕ СДАН");
}

// The limit is stated, and refused in the registration window before anything is written, also
// for a name too long for a request to the keeper.
TEST_P(BothPaths, AFullNamePastTheLimitIsRefusedInRussianBeforeAnythingIsWritten)
{
    const QByteArray before = bank.bytes();
    enter("Пётр", QString(2100, QChar(u'Щ')), "Сидорович");
    fake.boxes.answer(vbOK);
    clickExam();
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_EQ(lastPrompt(),
              "Фамилия, имя и отчество вместе длиннее 255 знаков, пожалуйста сократите");
    EXPECT_FALSE(fake.ended());
    EXPECT_FALSE(program.frmMain->isVisible());
    EXPECT_TRUE(program.frmUser->isVisible());
    EXPECT_EQ(bank.bytes(), before);

    // At the limit, the name is taken whole.
    const QString surname(Rules::LongestFullName - 15, QChar(u'Щ'));
    enter("Пётр", surname, "Сидорович");
    clickExam();
    EXPECT_EQ(fake.boxes.asked().size(), 1u) << lastPrompt().toStdString();
    EXPECT_EQ(username(), surname + " Пётр Сидорович");
}

// A result the file refuses is told with the error, for the staff to write down; the panel is
// not shown and the record still says "not passed".
TEST_P(BothPaths, AResultTheFileRefusesIsShownForTheStaffToWriteDown)
{
    registerExam();
    pressActionButton();
    for (int question = 1; question < 40; ++question) {
        tick(question <= 32);
        pressActionButton();
    }
    bank.run("CREATE TRIGGER refuse BEFORE UPDATE ON users BEGIN "
             "SELECT RAISE(ABORT, 'the record is refused'); END");
    fake.boxes.answer(vbOK);
    pressActionButton();

    EXPECT_TRUE(fake.ended());
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const QString &report = fake.boxes.asked()[0].prompt;
    EXPECT_TRUE(report.contains("\r\n\r\nРезультат теста НЕ ЗАПИСАН в базу. Сообщите его "
                                "экзаменатору: Иванов Пётр Сидорович — тест сдан, правильных "
                                "ответов 32 из 40."))
        << report.toStdString();
    // The pass was decided and shown before the record was written.
    EXPECT_EQ(main().Label13->text(), "Тест сдан... Ура!!!");
    EXPECT_TRUE(main().Frame1->isHidden());
    EXPECT_EQ(chek(), 0);
    EXPECT_TRUE(journal("finished").isNull());
    EXPECT_EQ(answerRows(), 0);
}

// The question's number and bar move on before its select: an error there finds them so, and
// the question before still on screen.
TEST_P(BothPaths, AQuestionThatCannotBeSelectedStopsWithItsNumberShown)
{
    registerExam();
    pressActionButton();
    tick(true);
    const QString shownBefore = main().Label6->text();
    bank.run("DROP TABLE questions");
    fake.boxes.answer(vbOK);
    pressActionButton();

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_TRUE(lastPrompt().contains("questions")) << lastPrompt().toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(main().Label7->text(), "2");
    EXPECT_FLOAT_EQ(Width(*main().lblProgress), 2 * 29.625f);
    EXPECT_EQ(main().Label6->text(), shownBefore);
    EXPECT_EQ(chek(), 0);
}

// However long the machine stalled while a question was on screen, an answer the window's
// countdown took counts as it does in the window's own process.
TEST_P(BothPaths, AnAnswerTheCountdownTookCountsAfterAStall)
{
    registerExam();
    pressActionButton();
    for (int question = 1; question <= 40; ++question) {
        tick(question <= 32);
        moveKeeperClock(Rules::QuestionSeconds + 59);
        pressActionButton();
    }
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 32");
    EXPECT_EQ(chek(), 1);
    EXPECT_EQ(keeperSaid(), "");
}

TEST_P(BothPaths, TheCountdownSubmitsAtItsEndUpToTheResult)
{
    registerExam();
    pressActionButton();
    for (int question = 1; question <= 40; ++question) {
        tick(true);
        for (int second = 0; second < 180; ++second)
            program.frmMain->Timer1.tick();
        ASSERT_EQ(run().QuestionNo, question);
        program.frmMain->Timer1.tick();
    }
    EXPECT_TRUE(fake.boxes.asked().empty()) << lastPrompt().toStdString();
    EXPECT_FALSE(run().TestRunning);
    EXPECT_EQ(main().Label5->text(), "00:00");
    EXPECT_FALSE(program.frmMain->Timer1.Enabled());
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 40");
    EXPECT_EQ(chek(), 1);
}

TEST_P(BothPaths, TheExitSpotAsksAndYesLeavesTheAttemptFailedAndUnfinished)
{
    registerExam();
    pressActionButton();
    for (int question = 1; question <= 3; ++question) {
        tick(true);
        pressActionButton();
    }
    program.frmMain->Timer1.tick();
    fake.boxes.answer(vbNo);
    leave();
    EXPECT_FALSE(fake.ended());
    EXPECT_TRUE(run().TestRunning);
    EXPECT_EQ(main().Label5->text(), "03:00");
    // The countdown goes on from where it was, and so does the exam.
    program.frmMain->Timer1.tick();
    EXPECT_EQ(main().Label5->text(), "02:59");
    tick(true);
    pressActionButton();
    EXPECT_EQ(run().QuestionNo, 5);

    fake.boxes.answer(vbYes);
    leave();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(chek(), 0);
    EXPECT_EQ(username(), "Иванов Пётр Сидорович");
    EXPECT_TRUE(journal("finished").isNull());
    EXPECT_TRUE(journal("passed").isNull());
    EXPECT_EQ(answerRows(), 0);
}

TEST_P(BothPaths, APictureFileTheWindowCannotShowRefusesTheBank)
{
    ASSERT_TRUE(QFile::remove(QDir(bank.appPath()).filePath("pictures/1.bmp")));
    fake.boxes.answer(vbYes);
    fake.boxes.answer(vbOK);
    QTest::mouseClick(program.frmUser->ui().Image3, Qt::LeftButton);
    ASSERT_EQ(fake.boxes.asked().size(), 2u);
    EXPECT_EQ(lastPrompt(),
              QStringLiteral("Ошибка выполнения 3000:\r\n\r\nБанк вопросов «%1» непригоден для "
                             "тестирования: нет файла рисунка %2 для вопроса 2")
                  .arg(bank.bankPath(), QDir(bank.appPath()).filePath("pictures/1.bmp")));
    EXPECT_TRUE(fake.ended());
}

INSTANTIATE_TEST_SUITE_P(Paths, BothPaths,
                         ::testing::Values(ExamPath::InProcess, ExamPath::ThroughTheKeeper),
                         [](const auto &info) {
                             return info.param == ExamPath::InProcess ? "InProcess"
                                                                      : "ThroughTheKeeper";
                         });

// Only the keeper has a clock of its own: an answer far later than any stall, which only a
// window that was tampered with gives, counts as wrong, and the keeper says so.
class ThroughTheKeeper : public BothPaths
{};

TEST_P(ThroughTheKeeper, AnAnswerPastTheKeepersLimitIsWrongAndTheKeeperSaysSo)
{
    registerExam();
    pressActionButton();
    tick(true);
    moveKeeperClock(Rules::QuestionSeconds + 121);
    pressActionButton();
    for (int question = 2; question <= 40; ++question) {
        tick(question <= 32);
        pressActionButton();
    }
    EXPECT_EQ(main().Label18->text(), "Всего правильных: 31");
    EXPECT_EQ(chek(), 0);
    EXPECT_TRUE(keeperSaid().contains("quorvane-keeper: ответ на вопрос 1 пришёл через 302.0 с"))
        << keeperSaid().toStdString();
    // Kept as sent, the right ticks, and as counted.
    EXPECT_EQ(
        bank.value(
                "select (code = (select ball from questions where id = answers.question)) || ':' "
                "|| scored || ':' || printf('%.1f', seconds) from answers where place = 1")
            .toString(),
        "1:0:302.0")
        << keeperSaid().toStdString();
}

TEST_P(ThroughTheKeeper, AKeeperKilledMidExamIsOneErrorNamingItAndTheEnd)
{
    registerExam();
    pressActionButton();
    tick(true);
    pressActionButton();
    const pid_t keeper = runningProgram(keeperProgram());
    ASSERT_GT(keeper, 0);
    ASSERT_EQ(kill(keeper, SIGKILL), 0);
    fake.boxes.answer(vbOK);
    tick(true);
    pressActionButton();

    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    const QString &report = fake.boxes.asked()[0].prompt;
    EXPECT_TRUE(report.startsWith("Ошибка выполнения 3051:")) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Хранитель банка (служба у ") +
                                KeeperProtocol::SocketPath +
                                ") не ответил на запрос ANSWER: он закрыл соединение; причина "
                                "записана в журнале службы: journalctl -t quorvane-keeper"))
        << report.toStdString();
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(chek(), 0);
}

// The window tells the staff where to look: the socket unit when nothing listens, the service's
// log when the keeper went away without a word.
TEST_P(ThroughTheKeeper, AServiceMissingOrSilentIsNamedInTheError)
{
    const QString before = username();
    const QString nowhere = QDir(bank.appPath()).filePath("no.socket");
    run().StartKeeper = [nowhere](const QString &) { return connectKeeper(nowhere); };
    fake.boxes.answer(vbOK);
    enter("Пётр", "Иванов", "Сидорович");
    clickExam();
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_TRUE(fake.boxes.asked()[0].prompt.contains(
        "нет соединения с " + nowhere + " (No such file or directory)"))
        << fake.boxes.asked()[0].prompt.toStdString();
    EXPECT_TRUE(fake.boxes.asked()[0].prompt.contains("systemctl enable --now quorvane-keeper.socket"));
    EXPECT_TRUE(fake.ended());
    EXPECT_EQ(username(), before);
}

TEST_P(ThroughTheKeeper, AKeeperThatClosesBeforeAnyReplyPointsAtTheServicesLog)
{
    KeeperService broken(QDir(bank.appPath()).filePath("no-such-keeper"), {}, bank.workPath());
    run().StartKeeper = [&broken](const QString &) { return broken.connect(); };
    fake.boxes.answer(vbOK);
    enter("Пётр", "Иванов", "Сидорович");
    clickExam();
    ASSERT_EQ(fake.boxes.asked().size(), 1u);
    EXPECT_TRUE(fake.boxes.asked()[0].prompt.contains(
        "не ответил на запрос OPEN: он закрыл соединение; причина записана в журнале службы: "
        "journalctl -t quorvane-keeper"))
        << fake.boxes.asked()[0].prompt.toStdString();
    EXPECT_TRUE(fake.ended());
}

INSTANTIATE_TEST_SUITE_P(Only, ThroughTheKeeper, ::testing::Values(ExamPath::ThroughTheKeeper));

TEST(BankIsSealed, OnlyWhenTheBankIsThereAndThisAccountCannotReadIt)
{
    BankFixture bank;
    EXPECT_FALSE(bankIsSealed());
    const QByteArray file = QFile::encodeName(bank.bankPath());
    ASSERT_EQ(chmod(file.constData(), 0), 0);
    // The superuser reads every file: nothing is sealed from it.
    EXPECT_EQ(bankIsSealed(), geteuid() != 0);
    ASSERT_TRUE(QFile::remove(bank.bankPath()));
    EXPECT_FALSE(bankIsSealed());
}

} // namespace
