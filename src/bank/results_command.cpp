// results BANK…: the attempts journals of one or more banks, merged in the order the attempts
// started, as a table for people or as CSV for a spreadsheet.
#include "command_line.h"
#include "results_table.h"
#include "store/bank_file.h"
#include "store/safe_file.h"

#include <QDate>
#include <QRegularExpression>

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
    "ISO 8601 со смещением. Первая строка — заголовки. Сохраните вывод в файл .csv и откройте "
    "его в LibreOffice Calc или Excel.\n\n"
    "Банк, который не читается (файла нет; это не банк; в нём нет журнала попыток — банк сделан "
    "не командой quorvane-bank make или import; запись в него прервана), называется в потоке "
    "ошибок; попытки остальных "
    "банков всё равно выводятся, а код завершения — 1. Если не прочитан ни один банк, ничего не "
    "выводится. Если попыток нет, под заголовками выводится «попыток нет» (в CSV — только "
    "строка заголовков).");

} // namespace

int resultsCommand(const QStringList &arguments, Console &console)
{
    const QCommandLineOption csv(
        QStringLiteral("csv"),
        QStringLiteral("вывести CSV для электронных таблиц (UTF-8 с BOM, разделитель «;»)"));
    const QCommandLineOption since(
        QStringLiteral("since"),
        QStringLiteral("только попытки, начатые в этот день или позже (ГГГГ-ММ-ДД, по местной "
                       "дате рабочего места)"),
        QStringLiteral("ДАТА"));
    CommandLine line(QStringLiteral("results"), {QStringLiteral("БАНК…")}, Description,
                     {csv, since});
    if (const auto status = line.parse(arguments, console))
        return *status;

    std::optional<QDate> from;
    if (line.isSet(QStringLiteral("since"))) {
        const QString text = line.value(QStringLiteral("since"));
        static const QRegularExpression dateForm(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
        from = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!dateForm.match(text).hasMatch() || !from->isValid()) {
            console.err << QStringLiteral("quorvane-bank results: --since: «%1» — не дата "
                                          "ГГГГ-ММ-ДД; справка: quorvane-bank results --help")
                               .arg(text)
                        << Qt::endl;
            return ExitCode::Usage;
        }
    }

    const QStringList banks = line.arguments(0);
    std::vector<ResultRow> rows;
    int read = 0;
    for (const QString &bank : banks) {
        try {
            requireRegularFile(bank);
            for (Journal::Entry &attempt : readJournal(bank))
                // The day as the workstation saw it: the date of the stored local time.
                if (!from || attempt.started.date() >= *from)
                    rows.push_back({std::move(attempt), bank});
            ++read;
        } catch (const std::exception &error) {
            console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what())
                        << Qt::endl;
        }
    }
    // Moments, not texts: workstations may keep different offsets from UTC.
    std::stable_sort(rows.begin(), rows.end(), [](const ResultRow &a, const ResultRow &b) {
        return a.attempt.started < b.attempt.started;
    });
    if (read > 0) {
        const bool showBank = banks.size() > 1;
        console.out << (line.isSet(QStringLiteral("csv")) ? resultsCsv(rows, showBank)
                                                          : resultsTable(rows, showBank))
                    << Qt::flush;
    }
    return read == banks.size() ? ExitCode::Done : ExitCode::Refused;
}
