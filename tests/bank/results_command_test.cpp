#include "bank/attempt_list.h"
#include "command_run.h"
#include "store/bank_file.h"
#include "store/journal.h"
#include "store/journal_entry.h"
#include "support/bank_question.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <condition_variable>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Writes to a FIFO and closes it after a while, so that a command waiting on it for a writer
// goes on and the test ends; whether it had to is what the test asks.
class FifoWatchdog final
{
public:
    explicit FifoWatchdog(const QString &fifo)
        : m_thread([this, name = QFile::encodeName(fifo)] {
              std::unique_lock lock(m_mutex);
              if (m_stopped.wait_for(lock, std::chrono::seconds(3), [this] { return m_done; }))
                  return;
              m_fired = true;
              const int end = open(name.constData(), O_RDWR | O_NONBLOCK);
              if (end >= 0) {
                  EXPECT_GT(write(end, "not a bank, not a source", 24), 0);
                  close(end);
              }
          })
    {}
    ~FifoWatchdog() { stop(); }

    // True when the FIFO had to be written for the command to end.
    bool stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_stopped.notify_one();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

class ResultsCommand : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    QString bank(const QString &name, const std::vector<Taken> &attempts)
    {
        return journalBank(path(name), attempts);
    }

    void alter(const QString &bank, const QStringList &statements) { alterBank(bank, statements); }

    QTemporaryDir dir;
};

// Lines of the output that hold `name`, in order.
QStringList linesWith(const QString &text, const QString &name)
{
    return text.split(u'\n').filter(name);
}

// The CSV fields of the one attempt of `name`, a name with no `;` or `"`.
QStringList csvFields(const QString &csv, const QString &name)
{
    const QStringList lines = linesWith(csv, name);
    if (lines.size() != 1)
        return {};
    return lines.front().chopped(1).split(u';');
}

// The problems of the run's error stream, one a line.
QStringList errorLines(const CommandRun &run)
{
    return run.err.split(u'\n', Qt::SkipEmptyParts);
}

// The process's time zone for one test, restored however the test ends.
class ZoneForTest final
{
public:
    explicit ZoneForTest(const QByteArray &zone)
        : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneForTest()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    ZoneForTest(const ZoneForTest &) = delete;
    ZoneForTest &operator=(const ZoneForTest &) = delete;

private:
    bool m_had;
    QByteArray m_old;
};

TEST_F(ResultsCommand, BanksAreMergedByTheMomentAttemptsStartedAndLeftUnchanged)
{
    // By text, 10:00+03:00 comes before 11:30+05:00; as moments it is the other way round.
    const QString first =
        bank("kab1.mdb", {{{"Иванов Иван Иванович", at(9, 10, 0, 3), 41, "kab1"}, 35}});
    const QString second =
        bank("kab2.mdb", {{{"Петров Пётр", at(9, 11, 30, 5), 41, "kab2"}, 20},
                          {{"Сидорова Анна", at(9, 12, 30, 5), 41, "kab2"}, std::nullopt}});
    const QByteArray firstBytes = fileBytes(first), secondBytes = fileBytes(second);

    const CommandRun run = runCommand(resultsCommand, {first, second});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Начало") && lines[0].endsWith("Банк"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("2026-12-09 11:30:00 +05:00  2026-12-09 12:10:00 +05:00  "
                                    "Петров Пётр"))
        << run.out.toStdString();
    EXPECT_TRUE(lines[1].contains("не сдан"));
    EXPECT_TRUE(lines[2].contains("Иванов Иван Иванович") && lines[2].contains("  сдан  "));
    // Not finished: no end, no count, and said so.
    EXPECT_TRUE(lines[3].contains("Сидорова Анна") && lines[3].contains("не закончен"));
    // Columns line up in characters, Cyrillic as one each.
    for (const QString &line : lines.mid(1))
        EXPECT_EQ(line.indexOf(dir.path()), lines[0].indexOf("Банк")) << line.toStdString();

    const CommandRun empty = runCommand(resultsCommand, {bank("empty.mdb", {})});
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(empty.out.endsWith("попыток нет\n")) << empty.out.toStdString();

    EXPECT_EQ(fileBytes(first), firstBytes);
    EXPECT_EQ(fileBytes(second), secondBytes);
}

// The journal names the examinee's account as the kernel gave it to the keeper; a run faster than
// the keeper lets any go was not taken through it, and the staff see so.
TEST_F(ResultsCommand, TheAccountIsShownAndARunFasterThanTheKeeperAllowsIsMarked)
{
    const QString one = bank("one.mdb", {{{"Быстров", at(9, 10, 0, 3), 41, "kab1"}, 33},
                                         {{"Медленный", at(9, 11, 0, 3), 41, "kab1"}, 33}});
    alter(one, {"UPDATE attempts SET account = 'bystrov (uid 1001)', "
                "finished = '2026-12-09T10:00:39+03:00' WHERE username = 'Быстров'",
                "UPDATE attempts SET finished = '2026-12-09T11:00:40+03:00' "
                "WHERE username = 'Медленный'"});
    CommandRun run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(csvFields(run.out, "Быстров").mid(6),
              QStringList({"kab1", "bystrov (uid 1001)", "быстрее 40 с"}));
    EXPECT_EQ(csvFields(run.out, "Медленный").mid(6), QStringList({"kab1", "", ""}));
    // A journal from before accounts were named is listed all the same.
    alter(one, {"ALTER TABLE attempts DROP COLUMN account"});
    run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(csvFields(run.out, "Быстров").mid(6), QStringList({"kab1", "", "быстрее 40 с"}));
}

TEST_F(ResultsCommand, CsvOpensInARussianSpreadsheet)
{
    const QString name = QStringLiteral("Кузнецова; \"Мария\"");
    const QString one = bank("one.mdb", {{{name, at(9, 10, 0, 3), 41, "kab1"}, 33},
                                         {{"=1+1", at(9, 11, 0, 3), 41, "kab1"}, std::nullopt},
                                         {{"Орлов;Олег", at(9, 12, 0, 3), 41, "kab1"}, 20},
                                         {{"+7 900 1", at(9, 13, 0, 3), 41, "kab1"}, 32}});
    const CommandRun run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QString(QChar(0xFEFF)) +
                           "Начало;Окончание;Экзаменуемый;Правильных;Результат;Вопросов в банке;"
                           "Рабочее место;Учётная запись;Попытка\r\n"
                           "2026-12-09T10:00:00+03:00;2026-12-09T10:40:00+03:00;\"Кузнецова; "
                           "\"\"Мария\"\"\";33;сдан;41;kab1;;\r\n"
                           // A name that reads as a formula stays text.
                           "2026-12-09T11:00:00+03:00;;'=1+1;;не закончен;41;kab1;;\r\n"
                           // Quoted for the `;` alone.
                           "2026-12-09T12:00:00+03:00;2026-12-09T12:40:00+03:00;\"Орлов;Олег\";"
                           "20;не сдан;41;kab1;;\r\n"
                           "2026-12-09T13:00:00+03:00;2026-12-09T13:40:00+03:00;'+7 900 1;32;"
                           "сдан;41;kab1;;\r\n");
}

TEST_F(ResultsCommand, SinceTakesTheDateTheWorkstationSaw)
{
    // The first started on the 9th there but on the 8th in UTC; the second the other way round.
    const QString one = bank("one.mdb", {{{"Рано по UTC", at(9, 1, 0, 5), 41, "east"}, 32},
                                         {{"Поздно по UTC", at(8, 22, 0, -5), 41, "west"}, 32},
                                         {{"Вчера", at(8, 12, 0, 3), 41, "kab1"}, 32}});
    const CommandRun run = runCommand(resultsCommand, {"--since", "2026-12-09", one});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(linesWith(run.out, "Рано по UTC").size(), 1) << run.out.toStdString();
    EXPECT_TRUE(linesWith(run.out, "Поздно по UTC").isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(linesWith(run.out, "Вчера").isEmpty()) << run.out.toStdString();
    const CommandRun until = runCommand(resultsCommand, {"--until", "2026-12-08", one});
    EXPECT_EQ(until.status, 0) << until.err.toStdString();
    EXPECT_TRUE(linesWith(until.out, "Рано по UTC").isEmpty()) << until.out.toStdString();
    EXPECT_EQ(linesWith(until.out, "Поздно по UTC").size(), 1) << until.out.toStdString();
    EXPECT_EQ(linesWith(until.out, "Вчера").size(), 1) << until.out.toStdString();

    for (const QString &date : {"2026-13-01", "9.12.2026", "2026-12-9", ""}) {
        const CommandRun wrong = runCommand(resultsCommand, {"--since", date, one});
        EXPECT_EQ(wrong.status, 2) << date.toStdString();
        EXPECT_TRUE(wrong.out.isEmpty());
    }
    EXPECT_EQ(runCommand(resultsCommand, {}).status, 2);
}

TEST_F(ResultsCommand, ARefusedBankIsNamedWhileTheOthersAreListed)
{
    const QString good = bank("good.mdb", {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 35}});
    BankTables tables;
    writeBankTables(path("other.mdb"), tables);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "drop");
        db.setDatabaseName(path("other.mdb"));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec("DROP TABLE attempts"));
    }
    QSqlDatabase::removeDatabase("drop");
    writeFile(path("text.mdb"), "не база");
    const QByteArray otherBytes = fileBytes(path("other.mdb"));

    const CommandRun run = runCommand(
        resultsCommand, {path("other.mdb"), good, path("missing.mdb"), path("text.mdb")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesWith(run.out, "Иванов").size(), 1) << run.out.toStdString();
    const QStringList problems = run.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(problems.size(), 3) << run.err.toStdString();
    EXPECT_TRUE(problems[0].startsWith(path("other.mdb") + ": в банке нет журнала попыток"))
        << run.err.toStdString();
    EXPECT_TRUE(problems[1].startsWith(path("missing.mdb"))) << run.err.toStdString();
    EXPECT_TRUE(problems[2].contains("не является базой данных")) << run.err.toStdString();
    EXPECT_EQ(fileBytes(path("other.mdb")), otherBytes);
    EXPECT_FALSE(QFile::exists(path("missing.mdb")));

    // No bank read: no headings, no «попыток нет».
    const CommandRun none = runCommand(resultsCommand, {path("missing.mdb")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.isEmpty()) << none.out.toStdString();
    EXPECT_EQ(errorLines(none).size(), 1) << none.err.toStdString();
}

// The table gives the offset in digits at UTC too; the spreadsheet gets the times as kept: the
// exam writes "…Z" there, which --csv once turned into "+00:00".
TEST_F(ResultsCommand, AWorkstationAtUtcShowsItsOffsetInDigitsAndTheCsvTheTimesAsKept)
{
    const ZoneForTest utc("UTC");
    // Local time, as the exam takes it from the clock.
    const QString one = bank(
        "utc.mdb", {{{"Иванов", QDateTime(QDate(2026, 12, 9), QTime(10, 0)), 41, "kab1"}, 35},
                    {{"Петров", QDateTime(QDate(2026, 12, 9), QTime(11, 0)), 41, "kab1"}, 35}});
    // Another tool's way of writing the same moments.
    alter(one, {"UPDATE attempts SET started = '2026-12-09T11:00:00+00:00', finished = "
                "'2026-12-09T11:40:00+00:00' WHERE id = 2"});
    const CommandRun table = runCommand(resultsCommand, {one});
    EXPECT_EQ(table.status, 0) << table.err.toStdString();
    EXPECT_TRUE(linesWith(table.out, "Иванов")
                    .value(0)
                    .startsWith("2026-12-09 10:00:00 +00:00  2026-12-09 10:40:00 +00:00  Иванов"))
        << table.out.toStdString();
    EXPECT_TRUE(linesWith(table.out, "Петров")
                    .value(0)
                    .startsWith("2026-12-09 11:00:00 +00:00  2026-12-09 11:40:00 +00:00  Петров"))
        << table.out.toStdString();
    const CommandRun csv = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(csv.status, 0) << csv.err.toStdString();
    EXPECT_EQ(csvFields(csv.out, "Иванов").mid(0, 2),
              QStringList({"2026-12-09T10:00:00Z", "2026-12-09T10:40:00Z"}))
        << csv.out.toStdString();
    EXPECT_EQ(csvFields(csv.out, "Петров").mid(0, 2),
              QStringList({"2026-12-09T11:00:00+00:00", "2026-12-09T11:40:00+00:00"}))
        << csv.out.toStdString();
}

// A result stored as text by another program ("no", "нет") once read as a pass.
TEST_F(ResultsCommand, AResultOtherThanZeroOrOneIsDamagedNotAPass)
{
    const QString one = bank("one.mdb", {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 10},
                                         {{"Петров", at(9, 11, 0, 3), 41, "kab1"}, 10}});
    alter(one, {"UPDATE attempts SET passed = 'no' WHERE id = 1",
                "UPDATE attempts SET passed = 'нет' WHERE id = 2"});

    const CommandRun table = runCommand(resultsCommand, {one});
    EXPECT_EQ(table.status, 1);
    for (const QString name : {"Иванов", "Петров"}) {
        const QString line = linesWith(table.out, name).value(0);
        EXPECT_TRUE(line.contains("повреждено") && !line.contains("сдан")) << line.toStdString();
    }
    const CommandRun csv = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(csv.status, 1);
    // The rest of the row as stored.
    EXPECT_EQ(csvFields(csv.out, "Иванов").mid(2),
              QStringList({"Иванов", "10", "повреждено", "41", "kab1", "", ""}));
    EXPECT_EQ(errorLines(csv),
              QStringList({one + ": попытка 1 (id в таблице attempts), столбец passed: текст "
                                 "«no» — ожидается 0, 1 или пусто",
                           one + ": попытка 2 (id в таблице attempts), столбец passed: текст "
                                 "«нет» — ожидается 0, 1 или пусто"}));
}

// Text or a blob in a number column once read as 0.
TEST_F(ResultsCommand, TextOrABlobInANumberColumnIsDamagedNotZero)
{
    const QString one = bank("one.mdb", {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 35},
                                         {{"Петров", at(9, 11, 0, 3), 41, "kab1"}, 35}});
    alter(one, {"UPDATE attempts SET right_answers = 'десять' WHERE id = 1",
                "UPDATE attempts SET questions = x'00ff' WHERE id = 2"});
    const CommandRun run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(csvFields(run.out, "Иванов").mid(3, 3), QStringList({"повреждено", "сдан", "41"}));
    EXPECT_EQ(csvFields(run.out, "Петров").mid(3, 3), QStringList({"35", "сдан", "повреждено"}))
        << run.out.toStdString();
    const QStringList lines = errorLines(run);
    ASSERT_EQ(lines.size(), 2) << run.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(one + ": попытка 1 (id в таблице attempts), столбец "
                                          "right_answers: текст «десять»"));
    EXPECT_TRUE(lines[1].startsWith(one + ": попытка 2 (id в таблице attempts), столбец "
                                          "questions: текст"));
}

// A count too large for an int once came out cut to another plausible number.
TEST_F(ResultsCommand, ACountBeyondTheQuestionsIsDamaged)
{
    const QString one = bank("one.mdb", {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 35},
                                         {{"Петров", at(9, 11, 0, 3), 41, "kab1"}, 35}});
    alter(one, {"UPDATE attempts SET right_answers = 99999999999 WHERE id = 1",
                "UPDATE attempts SET right_answers = 42 WHERE id = 2"});
    const CommandRun run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(csvFields(run.out, "Иванов").value(3), "повреждено") << run.out.toStdString();
    EXPECT_EQ(csvFields(run.out, "Петров").value(3), "повреждено") << run.out.toStdString();
    const QStringList lines = errorLines(run);
    ASSERT_EQ(lines.size(), 2) << run.err.toStdString();
    // The test asks 40 of the bank's 41.
    EXPECT_TRUE(lines[0].contains("столбец right_answers: число 99999999999 — ожидается целое "
                                  "число от 0 до 40 (вопросов в тесте)"))
        << lines[0].toStdString();
}

// A row whose start is not a time once refused the whole bank, hiding its sound attempts.
TEST_F(ResultsCommand, AnUnreadableTimeDamagesOnlyItsCell)
{
    const QString one = bank("one.mdb", {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 35},
                                         {{"Петров", at(9, 11, 0, 3), 41, "kab1"}, 35}});
    alter(one, {"UPDATE attempts SET started = 'вчера' WHERE id = 1"});
    const CommandRun run = runCommand(resultsCommand, {one});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith("2026-12-09 11:00:00 +03:00") && lines[1].contains("Петров"));
    // No moment to sort it by: last, its end still shown.
    EXPECT_TRUE(lines[2].startsWith("повреждено") && lines[2].contains("2026-12-09 10:40:00") &&
                lines[2].contains("Иванов"))
        << run.out.toStdString();
    EXPECT_EQ(errorLines(run), QStringList({one + ": попытка 1 (id в таблице attempts), столбец "
                                                  "started: текст «вчера» — ожидается время вида "
                                                  "2026-12-09T10:00:00+03:00"}));
}

TEST_F(ResultsCommand, TheTableShowsControlCharactersAsCodes)
{
    const QString name = QStringLiteral("Злой\x1b[2J\v\f") + QChar(0) +
                         QStringLiteral("\u2028\u202eX\x7f\u0085\u2066Y\tZ\n");
    const QString one = bank("one.mdb", {{{name, at(9, 10, 0, 3), 41, "kab1"}, 35}});

    const CommandRun table = runCommand(resultsCommand, {one});
    EXPECT_EQ(table.status, 0) << table.err.toStdString();
    EXPECT_EQ(linesWith(table.out, "Злой").value(0).section("  ", 2, 2),
              "Злой\\x1b[2J\\x0b\\x0c\\x00\\u2028\\u202eX\\x7f\\x85\\u2066Y\\x09Z\\x0a")
        << table.out.toStdString();
    for (const char32_t c : table.out.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        EXPECT_TRUE(c == u'\n' ||
                    (category != QChar::Other_Control && category != QChar::Other_Format &&
                     category != QChar::Separator_Line))
            << "U+" << std::hex << uint(c);
    }

    // The spreadsheet gets the name as stored.
    const CommandRun csv = runCommand(resultsCommand, {"--csv", one});
    EXPECT_TRUE(csv.out.contains(u'"' + name + u'"')) << csv.out.toStdString();
}

struct RowCase
{
    const char *what;
    std::vector<FieldValue> row;
    QStringList damaged;
};

FieldValue text(const char *value)
{
    return FieldValue::text(QString::fromUtf8(value));
}

// A finished row as the program writes it, with `column` holding `value` instead.
std::vector<FieldValue> finishedRow(int column = -1, FieldValue value = FieldValue::null())
{
    std::vector<FieldValue> row{FieldValue::number(7),
                                text("Иванов"),
                                text("2026-12-09T10:00:00+03:00"),
                                text("2026-12-09T10:40:00+03:00"),
                                FieldValue::number(35),
                                FieldValue::boolean(true),
                                FieldValue::number(41),
                                text("kab1")};
    if (column >= 0)
        row[column] = value;
    return row;
}

std::vector<FieldValue> failedWith(int right)
{
    std::vector<FieldValue> row = finishedRow(4, FieldValue::number(right));
    row[5] = FieldValue::boolean(false);
    return row;
}

// A bank of `questions`, fewer than a test asks, and `right` of them, a pass.
std::vector<FieldValue> fewer(int questions, int right)
{
    std::vector<FieldValue> row = finishedRow(6, FieldValue::number(questions));
    row[4] = FieldValue::number(right);
    return row;
}

std::vector<FieldValue> unfinishedRow(int column, FieldValue value)
{
    std::vector<FieldValue> row = finishedRow();
    for (const int cleared : {3, 4, 5})
        row[cleared] = FieldValue::null();
    row[column] = value;
    return row;
}

TEST(JournalEntry, EachCellNotAsTheProgramWritesItIsDamaged)
{
    const std::vector<RowCase> cases{
        {"as written", finishedRow(), {}},
        {"not finished", unfinishedRow(0, FieldValue::number(7)), {}},
        {"written at UTC", finishedRow(2, text("2026-12-09T07:00:00Z")), {}},
        {"UTC with digits", finishedRow(2, text("2026-12-09T07:00:00+00:00")), {}},
        {"a workstation west of UTC", finishedRow(3, text("2026-12-09T10:40:00-05:00")), {}},
        {"no offset", finishedRow(2, text("2026-12-09T10:00:00")), {"started"}},
        {"a fraction", finishedRow(3, text("2026-12-09T10:40:00.5+03:00")), {"finished"}},
        {"24 o'clock", finishedRow(2, text("2026-12-09T24:00:00+03:00")), {"started"}},
        {"a number for a time", finishedRow(2, FieldValue::number(46000)), {"started"}},
        {"all right", finishedRow(4, FieldValue::number(40)), {}},
        {"more right than the test asks",
         finishedRow(4, FieldValue::number(41)),
         {"right_answers"}},
        {"all right of a small bank", fewer(35, 35), {}},
        {"more right than a small bank has", fewer(35, 36), {"right_answers"}},
        {"none right, failed", failedWith(0), {}},
        {"a pass at the mark", finishedRow(4, FieldValue::number(32)), {}},
        {"a pass below the mark", finishedRow(4, FieldValue::number(31)), {"passed"}},
        {"a fail below the mark", failedWith(31), {}},
        {"a fail at the mark", failedWith(32), {"passed"}},
        {"ended as it started", finishedRow(3, text("2026-12-09T10:00:00+03:00")), {}},
        {"ended before it started",
         finishedRow(3, text("2026-12-09T09:59:59+03:00")),
         {"finished"}},
        {"ended before it started, elsewhere",
         finishedRow(3, text("2026-12-09T10:30:00+04:00")),
         {"finished"}},
        {"bytes that are no UTF-8 for a name",
         finishedRow(1, FieldValue::text(QString::fromUtf8("\xff\xfe\x00"))),
         {"username"}},
        {"bytes that are no UTF-8 for a workstation",
         finishedRow(7, FieldValue::text(QString::fromUtf8("kab\xc3"))),
         {"host"}},
        {"more right than asked", finishedRow(4, FieldValue::number(42)), {"right_answers"}},
        {"negative", finishedRow(4, FieldValue::number(-1)), {"right_answers"}},
        {"a fraction right", finishedRow(4, FieldValue::number(34.5)), {"right_answers"}},
        {"a Boolean count", finishedRow(4, FieldValue::boolean(true)), {"right_answers"}},
        {"a pass in a number column", finishedRow(5, FieldValue::number(1)), {}},
        {"a fail in a number column",
         [] {
             std::vector<FieldValue> row = failedWith(20);
             row[5] = FieldValue::number(0);
             return row;
         }(),
         {}},
        {"two for a result", finishedRow(5, FieldValue::number(2)), {"passed"}},
        {"text questions", finishedRow(6, text("41")), {"questions"}},
        {"negative questions", finishedRow(6, FieldValue::number(-41)), {"questions"}},
        {"a number for a name", finishedRow(1, FieldValue::number(12)), {"username"}},
        {"no workstation", finishedRow(7, FieldValue::null()), {"host"}},
        {"a text id", finishedRow(0, text("7")), {"id"}},
        {"finished without a result", finishedRow(5, FieldValue::null()), {"passed"}},
        {"finished without a count", finishedRow(4, FieldValue::null()), {"right_answers"}},
        {"a result without an end", finishedRow(3, FieldValue::null()), {"finished"}},
        {"a count without an end", unfinishedRow(4, FieldValue::number(3)), {"finished"}},
        {"a pass without an end", unfinishedRow(5, FieldValue::number(1)), {"finished"}},
    };
    for (const RowCase &c : cases) {
        QStringList damaged;
        for (const Journal::Damage &damage : Journal::entryFromRow(c.row).damages())
            damaged.push_back(damage.column);
        EXPECT_EQ(damaged, c.damaged) << c.what;
    }

    const Journal::Entry entry = Journal::entryFromRow(finishedRow());
    EXPECT_EQ(entry.started.value(), at(9, 10, 0, 3));
    EXPECT_EQ(entry.started.value().offsetFromUtc(), 3 * 3600);
    EXPECT_EQ(entry.rightAnswers.value(), 35);
    EXPECT_EQ(entry.passed.value(), true);
    EXPECT_EQ(entry.id.value(), 7);
}

// Journals another tool or a hand edit changed: each value once listed as a plausible result
// (2 in the BOOLEAN column read as a pass; a blob as «���»), now «повреждено» in its own cell.
TEST_F(ResultsCommand, FuzzedCellsAreDamagedInTheirOwnCell)
{
    const struct
    {
        const char *update;
        int field; // in the CSV: 1 end, 2 name, 3 count, 4 result
        const char *column;
    } cases[] = {
        {"passed = 2", 4, "passed"},
        {"passed = 0.5", 4, "passed"},
        {"passed = -1", 4, "passed"},
        {"passed = 99", 4, "passed"},
        {"username = x'd0c8ff00'", 2, "username"},
        {"right_answers = 41", 3, "right_answers"},
        {"right_answers = 20", 4, "passed"},
        {"passed = 0", 4, "passed"},
        {"finished = '2026-12-09T09:59:00+03:00'", 1, "finished"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.update);
        const QString one = journalBank(dir.filePath(QStringLiteral("fuzz.mdb")),
                                        {{{"Иванов", at(9, 10, 0, 3), 41, "kab1"}, 35}});
        alter(one, {QStringLiteral("UPDATE attempts SET %1").arg(c.update)});
        const CommandRun run = runCommand(resultsCommand, {"--csv", one});
        EXPECT_EQ(run.status, 1);
        const QStringList fields = run.out.split(QStringLiteral("\r\n")).value(1).split(u';');
        ASSERT_EQ(fields.size(), 9) << run.out.toStdString();
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(fields[k] == "повреждено", k == c.field)
                << k << ": " << fields[k].toStdString();
        const QStringList problems = errorLines(run);
        ASSERT_EQ(problems.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(problems[0].startsWith(
            one +
            QStringLiteral(": попытка 1 (id в таблице attempts), столбец %1: ").arg(c.column)))
            << problems[0].toStdString();
    }
}

TEST(RepeatMarks, ANameTakenAgainOrTypedAlikeIsMarked)
{
    const auto name = [](const char *text) { return std::optional(QString::fromUtf8(text)); };
    const struct
    {
        const char *what;
        std::vector<std::optional<QString>> names;
        QStringList marks;
    } cases[] = {
        {"once each", {name("Иванов Иван"), name("Иванова Ивана")}, {"", ""}},
        {"again",
         {name("Иванов Иван"), name("Петров"), name("Иванов Иван"), name("Иванов Иван")},
         {"1-я из 3 попыток", "", "повторная: 2-я из 3 попыток", "повторная: 3-я из 3 попыток"}},
        {"another case",
         {name("Иванов Иван"), name("иванов ИВАН")},
         {"возможно повторная", "возможно повторная"}},
        {"spaces",
         {name(" Иванов  Иван"), name("Иванов Иван")},
         {"возможно повторная", "возможно повторная"}},
        {"ё for е",
         {name("Фёдоров Пётр"), name("Федоров Петр")},
         {"возможно повторная", "возможно повторная"}},
        {"both",
         {name("Федоров"), name("Фёдоров"), name("Федоров")},
         {"1-я из 2 попыток; возможно повторная", "возможно повторная",
          "повторная: 2-я из 2 попыток; возможно повторная"}},
        {"a damaged name", {std::nullopt, name("Иванов"), std::nullopt}, {"", "", ""}},
    };
    for (const auto &c : cases) {
        const std::vector<QString> marks = repeatMarks(c.names);
        EXPECT_EQ(QStringList(marks.begin(), marks.end()), c.marks) << c.what;
    }
}

// Two workstations' journals: the second try is on the other one, and started earlier there by
// the text of its time.
TEST_F(ResultsCommand, ARepeatOnAnotherWorkstationIsMarkedInTheOrderListed)
{
    const QString first = bank("kab1.mdb", {{{"Иванов Иван", at(9, 12, 0, 3), 41, "kab1"}, 35}});
    const QString second = bank("kab2.mdb", {{{"Иванов Иван", at(9, 11, 30, 5), 41, "kab2"}, 20}});
    const CommandRun run = runCommand(resultsCommand, {"--csv", first, second});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = linesWith(run.out, "Иванов Иван");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(";kab2;;1-я из 2 попыток;")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(";kab1;;повторная: 2-я из 2 попыток;")) << lines[1].toStdString();
}

// A FIFO with no writer would hold any command that opens it for reading, the tool run from a
// script among them.
TEST_F(ResultsCommand, AFifoGivenForAFileIsRefusedWithoutWaitingForAWriter)
{
    const QString fifo = path("data.mdb");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString written = path("written");
    const struct
    {
        const char *name;
        CommandFunction command;
        QStringList arguments;
    } commands[] = {
        {"results", resultsCommand, {fifo}},        {"check", checkCommand, {fifo}},
        {"export", exportCommand, {fifo, written}}, {"make", makeCommand, {fifo, written}},
        {"import", importCommand, {fifo, written}},
    };
    for (const auto &[name, command, arguments] : commands) {
        SCOPED_TRACE(name);
        FifoWatchdog watchdog(fifo);
        const CommandRun run = runCommand(command, arguments);
        EXPECT_FALSE(watchdog.stop());
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("«%1» — именованный канал").arg(fifo)) ||
                    run.err.contains("не обычный файл"))
            << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(written));
    }
}

} // namespace
