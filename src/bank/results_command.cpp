// results BANK…: the attempts journals of one or more banks, merged in the order the attempts
// started, as a table for people or as CSV for a spreadsheet.
#include "attempt_list.h"
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
    "место, отметка о повторной попытке и, если банков несколько, банк. Банки только читаются и "
    "не меняются.\n\n"
    "Попытка повторная, если у того же экзаменуемого (то же полное имя) в перечисленных журналах "
    "есть более ранняя; у первой из них сказано, сколько их. Имена, которые совпадают, если не "
    "различать прописные и строчные буквы, лишние пробелы и ё и е, отмечены «возможно "
    "повторная».\n\n"
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
                     {csv, sinceOption(), untilOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const std::optional<AttemptDays> days = attemptDays(line, console);
    if (!days)
        return ExitCode::Usage;

    const QStringList banks = line.arguments(0);
    const AttemptList list = listAttempts(banks, *days, console);
    if (list.unreadBanks < banks.size()) {
        const bool showBank = banks.size() > 1;
        console.out << (line.isSet(QStringLiteral("csv")) ? resultsCsv(list.rows, showBank)
                                                          : resultsTable(list.rows, showBank))
                    << Qt::flush;
    }
    return list.unreadBanks == 0 && !list.damaged ? ExitCode::Done : ExitCode::Refused;
}
