// Times what keeping every answer adds to an exam, on the sample bank in a file on disk: the 40
// rows written with the result, on top of the record and the journal's finish as before, and the
// digest read at each question.
// answers_bench [repetitions] [folder for the bank, by default the current one]
#include "bench_timing.h"
#include "sample_banks.h"
#include "store/bank_file.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/question_digest.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void report(const char *what, const std::vector<double> &times, const char *goal)
{
    std::printf("  %-46s median %7.3f ms  (min %.3f, max %.3f)  %s\n", what, median(times),
                *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), goal);
}

// A new attempt's journal row, as registration writes it.
Journal::Attempt startAttempt(Database &bank)
{
    Journal::Attempt attempt{QStringLiteral("Иванов Пётр Сидорович"), QDateTime::currentDateTime(),
                             40, QStringLiteral("kab1"), std::nullopt, std::nullopt};
    attempt.id = bank.ExecuteWithJournal({Statements::RecordExaminee, {attempt.username}},
                                         Journal::start(attempt));
    return attempt;
}

std::vector<Journal::Answer> fortyAnswers(Database &bank)
{
    std::vector<Journal::Answer> answers;
    for (int place = 1; place <= 40; ++place) {
        const QVariantList values =
            bank.StoredRows(QStringLiteral("select %1 from questions where id=%2")
                                .arg(QuestionDigest::Columns)
                                .arg(place))
                .front();
        answers.push_back(
            {place, qint16(place), 4, place % 3 != 0, 12.5 + place, QuestionDigest::of(values)});
    }
    return answers;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 41;
    QTemporaryDir dir(QDir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath())
                          .filePath(QStringLiteral("answers_bench-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    try {
        writeBankTables(path, sampleBankTables());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    Database bank = DBEngine::OpenDatabase(path);
    const std::vector<Journal::Answer> answers = fortyAnswers(bank);

    // The result as before and with the answers, taken in turn so that both meet the same disk.
    std::vector<double> before, with, extra, digest;
    for (int run = 0; run < repetitions; ++run) {
        const Journal::Attempt plain = startAttempt(bank);
        before.push_back(millis([&] {
            bank.ExecuteWithJournal(
                {Statements::RecordPass, {}},
                Journal::finish(plain, QDateTime::currentDateTime(), 27, false));
        }));
        const Journal::Attempt kept = startAttempt(bank);
        with.push_back(millis([&] {
            bank.ExecuteWithJournal({Statements::RecordPass, {}},
                                    Journal::finish(kept, QDateTime::currentDateTime(), 27, false),
                                    Journal::answers(kept, answers));
        }));
        extra.push_back(with.back() - before.back());
        digest.push_back(millis([&] {
            const QVariantList values =
                bank.StoredRows(QStringLiteral("select %1 from questions where id=%2")
                                    .arg(QuestionDigest::Columns)
                                    .arg(run % 40 + 1))
                    .front();
            QuestionDigest::of(values);
        }));
    }
    std::printf("answers_bench: %d runs, bank %s\n", repetitions, qPrintable(path));
    report("result: record + journal's finish", before, "");
    report("result: record + finish + 40 answers", with, "");
    report("extra for the 40 answers (paired)", extra, "goal <= 5 ms");
    report("digest read at each question", digest, "");
    const qint64 rows =
        bank.Rows(QStringLiteral("select count(*) from answers")).front().front().asNumber();
    if (rows != qint64(repetitions) * 40) {
        std::fprintf(stderr, "answers_bench: %lld rows written, %lld expected\n", rows,
                     qint64(repetitions) * 40);
        return 1;
    }
    return 0;
}
