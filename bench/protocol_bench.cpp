// Times quorvane-bank protocol on a journal of 1 000 attempts on the sample bank: in-process (the
// command's own work: reading the journal, laying out and writing the PDF) and as a process
// (with the start-up of its graphical application object).
// protocol_bench [repetitions]
#include "bank/console.h"
#include "bench_timing.h"
#include "sample_banks.h"
#include "screens/look.h"
#include "store/bank_file.h"
#include "store/database.h"
#include "store/rules.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeZone>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// 1 000 attempts of 600 examinees (some sat twice), over five days and three workstations; one
// in ten never finished.
void journal(const QString &bank)
{
    Database db = DBEngine::OpenDatabase(bank);
    db.WriteTransaction([&] {
        for (int k = 0; k < 1000; ++k) {
            Journal::Attempt attempt{
                QStringLiteral("Экзаменуемый%1 Имя Отчество").arg(k % 600),
                QDateTime(QDate(2026, 12, 7 + k / 200), QTime(8, 0).addSecs(k % 200 * 180),
                          QTimeZone(3 * 3600)),
                int(Rules::TestLength), QStringLiteral("kab%1").arg(k % 3 + 1), std::nullopt,
                std::nullopt};
            const Database::Change start = Journal::start(attempt);
            db.Execute(start.sql, start.boundValues);
            attempt.id = k + 1;
            if (k % 10 != 9) {
                const int right = 15 + k * 7 % 26;
                const auto finish = Journal::finish(attempt, attempt.started.addSecs(50 * 60),
                                                    right, right >= Rules::PassMark);
                db.Execute(finish->sql, finish->boundValues);
            }
        }
    });
}

void report(const char *what, std::vector<double> times, double goal)
{
    std::sort(times.begin(), times.end());
    std::printf("  %-44s median %8.1f ms  (min %.1f, max %.1f)  goal <= %.0f ms\n", what,
                times[times.size() / 2], times.front(), times.back(), goal);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyProgramLook(app);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("data.mdb"));
    const QString pdf = dir.filePath(QStringLiteral("protocol.pdf"));
    writeBankTables(bank, sampleBankTables());
    journal(bank);
    const QStringList arguments{"--pdf",        pdf,        "--org",       "Колледж", "--chair",
                                "Орлова Е. В.", "--member", "Белов И. П.", bank};

    std::vector<double> inProcess, asProcess;
    for (int i = 0; i < repetitions; ++i) {
        inProcess.push_back(millis([&] {
            QString out, err;
            QTextStream outStream(&out), errStream(&err);
            Console console{outStream, errStream, QString()};
            if (const int status = protocolCommand(arguments, console); status != 0)
                std::fprintf(stderr, "exit %d: %s\n", status, qPrintable(err.left(400)));
        }));
        asProcess.push_back(millis([&] {
            QProcess tool;
            tool.start(QStringLiteral(QUORVANE_BANK_EXE), QStringList{"protocol"} + arguments);
            tool.waitForFinished(60000);
        }));
    }
    std::printf("quorvane-bank protocol of 1000 attempts (%lld bytes of PDF); %d runs each\n",
                QFileInfo(pdf).size(), repetitions);
    report("protocol, in-process", inProcess, 2000);
    report("protocol, a process", asProcess, 2000);
    return 0;
}
