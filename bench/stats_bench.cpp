// Times quorvane-bank stats on a busy workstation's bank: the sample's questions and 10 000
// finished attempts of different examinees, 400 000 answers, each scored by the examinee's
// ability, so that every figure has something to count. In-process (the command's own work) and
// as a process (with the start-up).
// stats_bench [repetitions]
#include "bank/console.h"
#include "sample_banks.h"
#include "store/bank_file.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/question_digest.h"
#include "store/rules.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Attempts = 10000;

double millis(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void exec(QSqlQuery &query)
{
    if (!query.exec()) {
        std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
        std::exit(1);
    }
}

// The journal and the answers, written as the exam would have left them.
void writeJournal(const QString &path)
{
    struct Question
    {
        qint64 id;
        int type;
        int ball;
        QByteArray shown;
    };
    std::vector<Question> questions;
    {
        Database bank = DBEngine::OpenDatabase(path, DBEngine::Access::ReadOnly);
        for (const QVariantList &row :
             bank.StoredRows(QStringLiteral("SELECT id, type, ball, %1 FROM questions")
                                 .arg(QuestionDigest::Columns)))
            questions.push_back({row[0].toLongLong(), row[1].toInt(), row[2].toInt(),
                                 QuestionDigest::of(row.mid(3))});
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
    db.setDatabaseName(path);
    db.open();
    QSqlQuery query(db);
    query.exec(QStringLiteral(
        "CREATE TABLE answers(attempt INTEGER NOT NULL REFERENCES attempts(id), place INTEGER NOT "
        "NULL, question INTEGER NOT NULL, code INTEGER NOT NULL, scored INTEGER NOT NULL, seconds "
        "REAL NOT NULL, shown BLOB NOT NULL, PRIMARY KEY (attempt, place))"));
    db.transaction();
    std::mt19937 random(20261211);
    std::uniform_real_distribution<double> uniform(0, 1);
    QSqlQuery answer(db);
    answer.prepare(QStringLiteral("INSERT INTO answers VALUES (?, ?, ?, ?, ?, ?, ?)"));
    const QDateTime first(QDate(2026, 1, 12), QTime(9, 0));
    for (int k = 0; k < Attempts; ++k) {
        std::vector<std::size_t> drawn(questions.size());
        for (std::size_t i = 0; i < drawn.size(); ++i)
            drawn[i] = i;
        std::shuffle(drawn.begin(), drawn.end(), random);
        drawn.resize(Rules::TestLength);
        const double ability = uniform(random);
        Journal::Attempt attempt{QStringLiteral("Экзаменуемый %1").arg(k), first.addSecs(k * 1800),
                                 int(questions.size()), QStringLiteral("kab1"), std::nullopt};
        const Database::Change start = Journal::start(attempt);
        QSqlQuery row(db);
        row.prepare(start.sql);
        for (const QVariant &value : start.boundValues)
            row.addBindValue(value);
        exec(row);
        attempt.id = row.lastInsertId().toLongLong();
        int right = 0;
        for (int place = 0; place < Rules::TestLength; ++place) {
            const Question &q = questions[drawn[std::size_t(place)]];
            const bool scored = uniform(random) < 0.3 + 0.6 * ability;
            int code = q.ball;
            if (!scored) {
                // Another answer, or a set of boxes other than the key's.
                do
                    code = q.type == Rules::CheckBoxes
                               ? Rules::codeOfTicks({uniform(random) < 0.5, uniform(random) < 0.5,
                                                     uniform(random) < 0.5, uniform(random) < 0.5})
                               : Rules::AnswerWeights[std::size_t(random() % 4)];
                while (code == q.ball);
            }
            right += scored ? 1 : 0;
            for (const QVariant &value :
                 QVariantList{*attempt.id, place + 1, q.id, code, scored ? 1 : 0,
                              5 + 60 * uniform(random), q.shown})
                answer.addBindValue(value);
            exec(answer);
        }
        const Database::Change end = *Journal::finish(attempt, attempt.started.addSecs(1500), right,
                                                      right >= Rules::PassMark);
        QSqlQuery finish(db);
        finish.prepare(end.sql);
        for (const QVariant &value : end.boundValues)
            finish.addBindValue(value);
        exec(finish);
    }
    db.commit();
    db.close();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString bank = QDir(dir.path()).filePath(QStringLiteral("data.mdb"));
    writeBankTables(bank, sampleBankTables());
    const Clock::time_point writing = Clock::now();
    writeJournal(bank);
    std::printf("journal of %d attempts, %d answers written in %.0f ms\n", Attempts,
                Attempts * Rules::TestLength, millis(writing));

    std::vector<double> times;
    for (int k = 0; k < repetitions; ++k) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        Console console{outStream, errStream, QString()};
        const Clock::time_point start = Clock::now();
        const int status = statsCommand({QStringLiteral("--csv"), bank}, console);
        times.push_back(millis(start));
        errStream.flush();
        if (status != 0) {
            std::fprintf(stderr, "exit %d: %s\n", status, qPrintable(err.left(400)));
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-44s median %8.1f ms  (min %.1f, max %.1f)  goal <= 1000 ms\n",
                "stats --csv, in-process", times[times.size() / 2], times.front(), times.back());

    QProcess tool;
    const Clock::time_point start = Clock::now();
    tool.start(QStringLiteral(QUORVANE_BANK_EXE), {QStringLiteral("stats"), bank});
    tool.waitForFinished(60000);
    std::printf("  %-44s %8.1f ms  exit %d  goal <= 1000 ms\n", "quorvane-bank stats, a process",
                millis(start), tool.exitCode());
    // What was counted, for a look: the table's first rows.
    const QList<QByteArray> lines = tool.readAllStandardOutput().split('\n');
    for (qsizetype k = 0; k < std::min<qsizetype>(lines.size(), 6); ++k)
        std::printf("%s\n", lines[k].constData());
    return 0;
}
