// results BANK…: the attempts journals of one or more banks, merged in the order the attempts
// started, as a table for people or as CSV for a spreadsheet.
#include "command_line.h"
#include "results_table.h"
#include "store/bank_file.h"

#include <algorithm>

namespace {

const QString Description = QStringLiteral(
    "Выводит попытки экзамена из журналов одного или нескольких банков (файлов data.mdb "
    "разных рабочих мест), вместе, в порядке их начала: начало и окончание (местное время "
    "рабочего места с его смещением от UTC), экзаменуемый, число правильных ответов, результат "
    "(сдан, не сдан или не закончен — экзамен прерван или ещё идёт), вопросов в банке, рабочее "
    "место и, если банков несколько, банк. Банки только читаются и не меняются.\n\n"
    "С --csv выводится CSV для электронных таблиц: UTF-8 с меткой порядка байтов (BOM), поля "
    "через «;», как их ждут электронные таблицы с русскими настройками, строки с CR LF, время в "
    "ISO 8601 так, как оно записано в журнале (со смещением от UTC, а для UTC — с Z, как его "
    "пишет программа). Первая строка — заголовки. Сохраните вывод в файл .csv и откройте "
    "его в LibreOffice Calc или Excel.\n\n"
    "Банк, который не читается (файла нет; это не банк; в нём нет журнала попыток — банк сделан "
    "не командой quorvane-bank make или import; запись в него прервана), называется в потоке "
    "ошибок; попытки остальных "
    "банков всё равно выводятся, а код завершения — 1. Если не прочитан ни один банк, ничего не "
    "выводится. Если попыток нет, под заголовками выводится «попыток нет» (в CSV — только "
    "строка заголовков).\n\n"
    "Ячейка журнала, в которой не то, что туда пишет программа (журнал правили другой "
    "программой или файл повреждён), выводится как «повреждено»; остальное в строке и другие "
    "попытки выводятся как обычно, а в потоке ошибок называются банк, попытка и столбец — по "
    "строке на ячейку; код завершения — 1. Управляющие символы в текстах таблица показывает "
    "кодами (\\x1b), а не передаёт терминалу; CSV сохраняет тексты как есть.");

} // namespace

int resultsCommand(const QStringList &arguments, Console &console)
{
    const QCommandLineOption csv(
        QStringLiteral("csv"),
        QStringLiteral("вывести CSV для электронных таблиц (UTF-8 с BOM, разделитель «;»)"));
    CommandLine line(QStringLiteral("results"), {QStringLiteral("БАНК…")}, Description,
                     {csv, sinceOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;

    std::optional<QDate> from;
    if (const auto status = line.day(QStringLiteral("since"), from, console))
        return *status;

    const QStringList banks = line.arguments(0);
    std::vector<ResultRow> rows;
    int read = 0;
    bool damaged = false;
    for (const QString &bank : banks) {
        std::vector<Journal::Entry> journal;
        try {
            journal = readJournal(bank);
            ++read;
        } catch (const std::exception &error) {
            console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what())
                        << Qt::endl;
            continue;
        }
        for (std::size_t k = 0; k < journal.size(); ++k) {
            Journal::Entry &attempt = journal[k];
            // The day as the workstation saw it: the date of the stored local time. An attempt
            // whose start is damaged is listed: nobody can tell it is older.
            if (from && !attempt.started.damaged() && attempt.started.value().date() < *from)
                continue;
            for (const Journal::Damage &damage : attempt.damages()) {
                // The stored text is whatever was put there; it must not drive the terminal.
                console.err << visibleText(bank + QStringLiteral(": ") +
                                           damageText(attempt, k, damage))
                            << Qt::endl;
                damaged = true;
            }
            rows.push_back({std::move(attempt), bank});
        }
    }
    // Moments, not texts: workstations may keep different offsets from UTC. Attempts whose start
    // is damaged come last, in the order of their journals.
    std::stable_sort(rows.begin(), rows.end(), [](const ResultRow &a, const ResultRow &b) {
        const Journal::Cell<QDateTime> &first = a.attempt.started, &second = b.attempt.started;
        if (first.damaged() || second.damaged())
            return !first.damaged() && second.damaged();
        return first.value() < second.value();
    });
    if (read > 0) {
        const bool showBank = banks.size() > 1;
        console.out << (line.isSet(QStringLiteral("csv")) ? resultsCsv(rows, showBank)
                                                          : resultsTable(rows, showBank))
                    << Qt::flush;
    }
    return read == banks.size() && !damaged ? ExitCode::Done : ExitCode::Refused;
}
