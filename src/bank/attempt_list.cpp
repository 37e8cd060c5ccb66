#include "attempt_list.h"
#include "store/bank_file.h"

#include <QHash>

#include <algorithm>

namespace {

// A name as a person typing it again might: letters in any case, spaces doubled or left out at
// the ends, е for ё.
QString looseName(const QString &name)
{
    return name.toCaseFolded().simplified().replace(QChar(u'ё'), QChar(u'е'));
}

} // namespace

std::optional<AttemptDays> attemptDays(const CommandLine &line, Console &console)
{
    AttemptDays days;
    if (line.day(QStringLiteral("since"), days.since, console) ||
        line.day(QStringLiteral("until"), days.until, console))
        return std::nullopt;
    return days;
}

AttemptList listAttempts(const QStringList &banks, const AttemptDays &days, Console &console)
{
    AttemptList list;
    for (const QString &bank : banks) {
        std::vector<Journal::Entry> journal;
        try {
            journal = readJournal(bank);
        } catch (const std::exception &error) {
            console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what())
                        << Qt::endl;
            ++list.unreadBanks;
            continue;
        }
        for (std::size_t k = 0; k < journal.size(); ++k) {
            Journal::Entry &attempt = journal[k];
            // The day as the workstation saw it: the date of the stored local time. An attempt
            // whose start is damaged is listed: nobody can tell it is outside the days.
            if (!attempt.started.damaged()) {
                const QDate day = attempt.started.value().date();
                if ((days.since && day < *days.since) || (days.until && day > *days.until))
                    continue;
            }
            for (const Journal::Damage &damage : attempt.damages()) {
                // The stored text is whatever was put there; it must not drive the terminal.
                console.err << visibleText(bank + QStringLiteral(": ") +
                                           damageText(attempt, k, damage))
                            << Qt::endl;
                list.damaged = true;
            }
            list.rows.push_back({std::move(attempt), bank, {}});
        }
    }
    std::stable_sort(
        list.rows.begin(), list.rows.end(), [](const ResultRow &a, const ResultRow &b) {
            const Journal::Cell<QDateTime> &first = a.attempt.started, &second = b.attempt.started;
            if (first.damaged() || second.damaged())
                return !first.damaged() && second.damaged();
            return first.value() < second.value();
        });
    markRepeats(list.rows);
    return list;
}

std::vector<QString> repeatMarks(const std::vector<std::optional<QString>> &names)
{
    QHash<QString, int> attempts;
    QHash<QString, QStringList> spellings;
    for (const std::optional<QString> &name : names)
        if (name) {
            ++attempts[*name];
            QStringList &spelt = spellings[looseName(*name)];
            if (!spelt.contains(*name))
                spelt.push_back(*name);
        }

    std::vector<QString> marks;
    QHash<QString, int> seen;
    for (const std::optional<QString> &name : names) {
        QStringList mark;
        if (name) {
            const int count = attempts.value(*name);
            const int place = ++seen[*name];
            if (place > 1)
                mark.push_back(
                    QStringLiteral("повторная: %1-я из %2 попыток").arg(place).arg(count));
            else if (count > 1)
                mark.push_back(QStringLiteral("1-я из %1 попыток").arg(count));
            if (spellings.value(looseName(*name)).size() > 1)
                mark.push_back(QStringLiteral("возможно повторная"));
        }
        marks.push_back(mark.join(QStringLiteral("; ")));
    }
    return marks;
}

void markRepeats(std::vector<ResultRow> &rows)
{
    std::vector<std::optional<QString>> names;
    for (const ResultRow &row : rows)
        names.push_back(row.attempt.username.damaged()
                            ? std::nullopt
                            : std::optional(row.attempt.username.value()));
    const std::vector<QString> marks = repeatMarks(names);
    for (std::size_t k = 0; k < rows.size(); ++k)
        rows[k].repeat = marks[k];
}
