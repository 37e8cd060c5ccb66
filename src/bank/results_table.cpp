#include "results_table.h"

#include "store/rules.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace {

enum class Form { Table, Csv };

QStringList headings(bool showBank)
{
    QStringList names{"Начало",    "Окончание",        "Экзаменуемый",  "Правильных",
                      "Результат", "Вопросов в банке", "Рабочее место", "Учётная запись",
                      "Попытка"};
    if (showBank)
        names.push_back(QStringLiteral("Банк"));
    return names;
}

// Whether a column holds numbers, which read best aligned to the right.
bool numeric(qsizetype column)
{
    return column == 3 || column == 5;
}

QString offsetText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    return QStringLiteral("%1%2:%3")
        .arg(QChar(offset < 0 ? u'-' : u'+'))
        .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
        .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

// The table gives the offset in digits, +00:00 at UTC too, as for every other workstation.
QString readableTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + offsetText(time);
}

// The repeat mark, and a run faster than any through the keeper: taken another way, or the
// journal was written by hand.
QString marks(const ResultRow &row)
{
    const Journal::Entry &attempt = row.attempt;
    QStringList marks;
    if (!row.repeat.isEmpty())
        marks.push_back(row.repeat);
    if (!attempt.started.damaged() && !attempt.finished.damaged() && attempt.finished.value() &&
        attempt.started.value().secsTo(*attempt.finished.value()) < Rules::FastestRunSeconds)
        marks.push_back(QStringLiteral("быстрее %1 с").arg(Rules::FastestRunSeconds));
    return marks.join(QStringLiteral("; "));
}

QStringList fields(const ResultRow &row, bool showBank, Form form)
{
    const Journal::Entry &attempt = row.attempt;
    const QString none = form == Form::Table ? QStringLiteral("—") : QString();
    const auto cell = [](const auto &read, const auto &shown) {
        return read.damaged() ? DamagedCell : shown(read.value());
    };
    // The spreadsheet gets a time as the journal keeps it (read only in the program's own ISO
    // 8601 form), "…Z" at UTC as the exam writes it there.
    const auto started = [&](const QDateTime &moment) {
        return form == Form::Table ? readableTime(moment) : attempt.startedText;
    };
    const auto finished = [&](const std::optional<QDateTime> &moment) {
        if (!moment)
            return none;
        return form == Form::Table ? readableTime(*moment) : attempt.finishedText;
    };
    const auto count = [&](const std::optional<int> &number) {
        return number ? QString::number(*number) : none;
    };
    const auto same = [](const QString &text) { return text; };
    QStringList values{
        cell(attempt.started, started),
        cell(attempt.finished, finished),
        cell(attempt.username, same),
        cell(attempt.rightAnswers, count),
        resultText(attempt),
        cell(attempt.questions, [](int number) { return QString::number(number); }),
        cell(attempt.host, same),
        cell(attempt.account, same),
        marks(row),
    };
    if (showBank)
        values.push_back(row.bank);
    return values;
}

// Characters as the terminal shows them: a Cyrillic letter is one, a combining mark none.
qsizetype width(const QString &text)
{
    qsizetype count = 0;
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing &&
            category != QChar::Other_Format)
            ++count;
    }
    return count;
}

QString csvField(const QString &value)
{
    // A name typed as "=…", "+…", "-…" or "@…" would run as a formula in a spreadsheet: the
    // apostrophe keeps it text there.
    static const QRegularExpression formulaStart(QStringLiteral("^[=+\\-@\t\r]"));
    const QString text = value.contains(formulaStart) ? u'\'' + value : value;
    static const QRegularExpression needsQuotes(QStringLiteral("[;\"\r\n]"));
    if (!text.contains(needsQuotes))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString resultText(const Journal::Entry &attempt)
{
    // The end, the count and the result come together, so an attempt without a result has not
    // ended.
    if (attempt.passed.damaged())
        return DamagedCell;
    if (!attempt.passed.value())
        return QStringLiteral("не закончен");
    return *attempt.passed.value() ? QStringLiteral("сдан") : QStringLiteral("не сдан");
}

QString resultsTable(const std::vector<ResultRow> &rows, bool showBank)
{
    std::vector<QStringList> lines{headings(showBank)};
    for (const ResultRow &row : rows)
        lines.push_back(fields(row, showBank, Form::Table));
    QString text = alignedTable(lines, numeric);
    if (rows.empty())
        text += QStringLiteral("попыток нет\n");
    return text;
}

QString alignedTable(std::vector<QStringList> lines, bool (*numeric)(qsizetype column))
{
    // One row, one line, whatever another tool stored in a text.
    for (QStringList &line : lines)
        for (QString &value : line)
            value = visibleText(value);
    std::vector<qsizetype> widths(lines.empty() ? 0 : lines.front().size(), 0);
    for (const QStringList &line : lines)
        for (qsizetype k = 0; k < line.size(); ++k)
            widths[k] = std::max(widths[k], width(line[k]));

    QString text;
    for (const QStringList &line : lines) {
        QString out;
        for (qsizetype k = 0; k < line.size(); ++k) {
            const QString padding(widths[k] - width(line[k]), u' ');
            if (k > 0)
                out += QStringLiteral("  ");
            out += numeric(k) ? padding + line[k] : line[k] + padding;
        }
        // No blanks at the line's end, where the last column is padded.
        while (out.endsWith(u' '))
            out.chop(1);
        text += out + u'\n';
    }
    return text;
}

QString resultsCsv(const std::vector<ResultRow> &rows, bool showBank)
{
    QString text = CsvStart + csvRecord(headings(showBank));
    for (const ResultRow &row : rows)
        text += csvRecord(fields(row, showBank, Form::Csv));
    return text;
}

QString csvRecord(const QStringList &values, bool (*number)(qsizetype column))
{
    QStringList quoted;
    for (qsizetype k = 0; k < values.size(); ++k)
        quoted.push_back(number && number(k) ? values[k] : csvField(values[k]));
    return quoted.join(u';') + QStringLiteral("\r\n");
}

QString damageText(const Journal::Entry &attempt, std::size_t row, const Journal::Damage &damage)
{
    const QString where =
        attempt.id.damaged()
            ? QStringLiteral("строка %1 таблицы attempts").arg(row + 1)
            : QStringLiteral("попытка %1 (id в таблице attempts)").arg(attempt.id.value());
    return QStringLiteral("%1, столбец %2: %3").arg(where, damage.column, damage.problem);
}

QString visibleText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            shown += c < 0x100 ? QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'))
                               : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
            break;
        default:
            shown += QString::fromUcs4(&c, 1);
        }
    }
    return shown;
}
