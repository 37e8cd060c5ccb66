// Times quorvane-bank on the largest bank the program takes (32767 questions), once with every
// text distinct, as in a real bank, and once with the sample's texts repeated: check, and export
// then make. In-process (the commands' own work) and as processes (with the start-up).
// bank_bench [repetitions]
#include "bank/console.h"
#include "bench_timing.h"
#include "sample_banks.h"
#include "screens/look.h"
#include "store/bank_file.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

int quiet(CommandFunction command, const QStringList &arguments)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    Console console{outStream, errStream, QString()};
    const int status = command(arguments, console);
    errStream.flush();
    if (status != 0)
        std::fprintf(stderr, "exit %d: %s\n", status, qPrintable(err.left(400)));
    return status;
}

int process(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(QUORVANE_BANK_EXE), arguments);
    tool.waitForFinished(60000);
    return tool.exitCode();
}

void report(const char *what, const std::vector<double> &times, double goal)
{
    std::printf("  %-44s median %8.1f ms  (min %.1f, max %.1f)  goal <= %.0f ms\n", what,
                median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), goal);
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
    const QString source = dir.filePath(QStringLiteral("questions.txt"));
    const QString again = dir.filePath(QStringLiteral("again.mdb"));
    const QString pictures = QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank/pictures");
    const BankTables sample = sampleBankTables();
    const std::pair<const char *, BankTables> banks[] = {
        {"distinct", largestDistinctBank(sample)},
        {"repeating (the sample's texts over and over)", largestBank(sample)},
    };
    for (const auto &[kind, tables] : banks) {
        writeBankTables(bank, tables);
        std::printf("quorvane-bank on a bank of 32767 questions, texts %s; %d runs each\n", kind,
                    repetitions);
        std::vector<double> check, checkProcess, roundTrip, roundTripProcess;
        for (int i = 0; i < repetitions; ++i) {
            check.push_back(millis([&] { quiet(checkCommand, {"--pictures", pictures, bank}); }));
            checkProcess.push_back(millis([&] {
                process({"check", "--pictures", pictures, bank});
            }));
            roundTrip.push_back(millis([&] {
                quiet(exportCommand, {"--replace", bank, source});
                quiet(makeCommand, {"--replace", "--pictures", pictures, source, again});
            }));
            roundTripProcess.push_back(millis([&] {
                process({"export", "--replace", bank, source});
                process({"make", "--replace", "--pictures", pictures, source, again});
            }));
        }
        report("check, in-process", check, 100);
        report("check, a process", checkProcess, 100);
        report("export then make, in-process", roundTrip, 3000);
        report("export then make, two processes", roundTripProcess, 3000);
    }
    return 0;
}
