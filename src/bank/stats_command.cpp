// stats BANK…: each question's figures from the answers the exams kept, merged over the banks of
// several workstations, as a table for people or as CSV for a spreadsheet.
#include "command_line.h"
#include "results_table.h"
#include "store/database.h"
#include "store/question_stats.h"
#include "store/runtime_error.h"

namespace {

const QString Description = QStringLiteral(
    "Выводит по каждому вопросу банка, что о нём говорят ответы экзаменов (таблица answers): "
    "номер (id), первые слова текста, сколько раз на него отвечали (n), лёгкость — долю "
    "ответов, засчитанных правильными, дискриминацию — коэффициент корреляции Пирсона между "
    "оценкой этого ответа (1 или 0) и числом остальных правильных ответов той же попытки "
    "(«—», если ответов меньше двух или у одной из сторон нет разброса), для каждого из "
    "четырёх ответов — долю ответов, в которых он отмечен (ответ без отметок считается «нет "
    "ответа» и входит в знаменатель), среднее время ответа в секундах, затем замечания.\n\n"
    "Замечания — при n от 30: «слишком лёгкий» (лёгкость от 0,9), «слишком трудный» (до 0,2), "
    "«проверьте ключ» (лёгкость ниже, чем при ответе наугад: ¼ для переключателей, 1/16 для "
    "флажков), «не различает» (дискриминация ниже 0,2 при лёгкости между 0,2 и 0,9), «обратная "
    "связь» (дискриминация ниже нуля), «ответ K не выбирают» (неверный ответ отмечен меньше чем "
    "в 5 % ответов).\n\n"
    "Учитываются только законченные попытки и, без --all-attempts, только первая попытка под "
    "каждым полным именем (по времени начала, во всех банках вместе, среди попыток дней "
    "--since и --until). Ответ учитывается для вопроса, чей нынешний текст, ответы, код "
    "правильных ответов, вид и рисунок те же, что были показаны (а не по номеру: редактор "
    "перенумеровывает вопросы); ответы на прежний текст не учитываются, а под таблицей "
    "говорится, сколько их. Банки нескольких рабочих мест сводятся по вопросам; вопрос, "
    "изменённый лишь в части банков, выводится дважды — прежний и новый текст отдельно. "
    "Банки только читаются и не меняются.\n\n"
    "С --csv выводится CSV, как его выводит quorvane-bank results --csv: UTF-8 с меткой "
    "порядка байтов (BOM), поля через «;», строки с CR LF, числа с десятичной запятой, доли — "
    "дробью от 0 до 1; в таблице доли даны в процентах.\n\n"
    "Банк, который не читается (в нём нет журнала попыток или таблицы answers, файл не банк), "
    "называется в потоке ошибок, а остальные всё равно сводятся; код завершения — 1. "
    "Повреждённая запись журнала или ответа (не то, что туда пишет программа) не учитывается и "
    "называется в потоке ошибок, по строке на ячейку; попытка, ответы которой повреждены или "
    "не сходятся с журналом, не учитывается вся; код завершения — 1.");

const QStringList Headings{"№",       "Вопрос",  "n",       "Лёгкость", "Дискриминация", "Ответ 1",
                           "Ответ 2", "Ответ 3", "Ответ 4", "Секунд",   "Замечания"};

// The columns aligned to the right in the table: all but the text and the flags.
bool tableNumber(qsizetype column)
{
    return column != 1 && column != Headings.size() - 1;
}

// The columns the program fills with numbers; the ids are stored values, kept from running as a
// formula like any stored text.
bool csvNumber(qsizetype column)
{
    return column >= 2 && column < Headings.size() - 1;
}

// The question's text on one line, cut at a word's end.
QString firstWords(const QString &text)
{
    constexpr int Length = 40;
    const QString line = QString(text)
                             .replace(QLatin1String("\r\n"), QLatin1String(" "))
                             .replace(u'\n', u' ')
                             .replace(u'\r', u' ');
    if (line.size() <= Length)
        return line;
    const qsizetype cut = line.lastIndexOf(u' ', Length);
    return line.left(cut > 0 ? cut : Length) + QStringLiteral("…");
}

enum class Form { Table, Csv };

QStringList fields(const QuestionStats::Figures &figures, Form form)
{
    const QString none = form == Form::Table ? QStringLiteral("—") : QString();
    // The table shows shares as percentages; a spreadsheet gets them as fractions.
    const auto share = [&](const std::optional<double> &value) {
        if (!value)
            return none;
        return form == Form::Table ? QuestionStats::percentText(*value)
                                   : QuestionStats::decimalText(*value, 4);
    };
    const auto decimal = [&](const std::optional<double> &value, int decimals) {
        return value ? QuestionStats::decimalText(*value, decimals) : none;
    };
    QStringList values{figures.ids.join(QStringLiteral(", ")), firstWords(figures.text),
                       QString::number(figures.answered), share(figures.facility()),
                       decimal(figures.discrimination, form == Form::Table ? 2 : 4)};
    for (int k = 0; k < 4; ++k)
        values.push_back(share(figures.tickedShare(k)));
    values.push_back(decimal(figures.meanSeconds(), 1));
    values.push_back(figures.flags.join(QStringLiteral(", ")));
    return values;
}

} // namespace

int statsCommand(const QStringList &arguments, Console &console)
{
    const QCommandLineOption csv(
        QStringLiteral("csv"),
        QStringLiteral("вывести CSV для электронных таблиц (UTF-8 с BOM, разделитель «;»)"));
    const QCommandLineOption allAttempts(
        QStringLiteral("all-attempts"),
        QStringLiteral("учитывать все законченные попытки, а не только первую под каждым именем"));
    CommandLine line(QStringLiteral("stats"), {QStringLiteral("БАНК…")}, Description,
                     {sinceOption(), untilOption(), allAttempts, csv});
    if (const auto status = line.parse(arguments, console))
        return *status;
    QuestionStats::Selection selection;
    if (const auto status = line.day(QStringLiteral("since"), selection.since, console))
        return *status;
    if (const auto status = line.day(QStringLiteral("until"), selection.until, console))
        return *status;
    selection.allAttempts = line.isSet(QStringLiteral("all-attempts"));

    const QStringList banks = line.arguments(0);
    QuestionStats::Tally tally(selection);
    int read = 0;
    bool damaged = false;
    for (const QString &bank : banks) {
        std::vector<QuestionStats::Tally::DamagedEntry> entries;
        try {
            Database db = DBEngine::OpenDatabase(bank, DBEngine::Access::ReadOnly);
            entries = tally.addBank(db, bank);
            ++read;
        } catch (const RuntimeError &error) {
            console.err << bank << QStringLiteral(": ") << error.description() << Qt::endl;
            continue;
        } catch (const std::exception &error) {
            console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what())
                        << Qt::endl;
            continue;
        }
        for (const auto &[row, entry] : entries)
            for (const Journal::Damage &damage : entry.damages()) {
                console.err << visibleText(bank + QStringLiteral(": ") +
                                           damageText(entry, row, damage))
                            << Qt::endl;
                damaged = true;
            }
    }
    if (read == 0)
        return ExitCode::Refused;

    const QuestionStats::Result result = tally.result();
    for (const QString &problem : result.problems) {
        console.err << visibleText(problem) << Qt::endl;
        damaged = true;
    }
    const QString note = QuestionStats::earlierTextNote(result.earlierText);
    if (line.isSet(QStringLiteral("csv"))) {
        QString text = CsvStart + csvRecord(Headings);
        for (const QuestionStats::Figures &figures : result.questions)
            text += csvRecord(fields(figures, Form::Csv), csvNumber);
        console.out << text << Qt::flush;
        // Not a line of the spreadsheet's, and no problem either: said beside it.
        if (!note.isEmpty())
            console.err << note << Qt::endl;
    } else {
        std::vector<QStringList> lines{Headings};
        for (const QuestionStats::Figures &figures : result.questions)
            lines.push_back(fields(figures, Form::Table));
        console.out << alignedTable(std::move(lines), tableNumber);
        if (!note.isEmpty())
            console.out << note << u'\n';
        console.out << Qt::flush;
    }
    return read == banks.size() && !damaged ? ExitCode::Done : ExitCode::Refused;
}
