#include "command_run.h"
#include "store/bank_file.h"
#include "store/journal.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QDateTime at(int day, int hour, int minute, int offsetHours)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute), QTimeZone(offsetHours * 3600));
}

// An attempt as the program journals it: its row at registration and, when `right` is given,
// its result 40 minutes later.
struct Taken
{
    Journal::Attempt attempt;
    std::optional<int> right;
};

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
        writeBankFile(path(name), {});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path(name));
            EXPECT_TRUE(db.open());
            for (const Taken &taken : attempts) {
                std::vector<Database::Change> changes{Journal::start(taken.attempt)};
                if (taken.right)
                    changes.push_back(Journal::finish(taken.attempt,
                                                      taken.attempt.started.addSecs(40 * 60),
                                                      *taken.right, *taken.right >= 32));
                for (const Database::Change &change : changes) {
                    QSqlQuery query(db);
                    query.prepare(change.sql);
                    for (const QVariant &value : change.boundValues)
                        query.addBindValue(value);
                    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
                }
            }
        }
        QSqlDatabase::removeDatabase(name);
        return path(name);
    }

    QTemporaryDir dir;
};

// Lines of the output that hold `name`, in order.
QStringList linesWith(const QString &text, const QString &name)
{
    return text.split(u'\n').filter(name);
}

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

TEST_F(ResultsCommand, CsvOpensInARussianSpreadsheet)
{
    const QString name = QStringLiteral("Кузнецова; \"Мария\"");
    const QString one = bank("one.mdb", {{{name, at(9, 10, 0, 3), 41, "kab1"}, 33},
                                         {{"=1+1", at(9, 11, 0, 3), 41, "kab1"}, std::nullopt}});
    const CommandRun run = runCommand(resultsCommand, {"--csv", one});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QString(QChar(0xFEFF)) +
                           "Начало;Окончание;Экзаменуемый;Правильных;Результат;Вопросов в банке;"
                           "Рабочее место\r\n"
                           "2026-12-09T10:00:00+03:00;2026-12-09T10:40:00+03:00;\"Кузнецова; "
                           "\"\"Мария\"\"\";33;сдан;41;kab1\r\n"
                           // A name that reads as a formula stays text.
                           "2026-12-09T11:00:00+03:00;;'=1+1;;не закончен;41;kab1\r\n");
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
