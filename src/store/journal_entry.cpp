#include "journal_entry.h"
#include "rules.h"

#include <climits>
#include <cmath>
#include <stdexcept>

namespace Journal {

QString timeText(const QDateTime &time)
{
    // An explicit offset, so that the text names the moment wherever it is read.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QDateTime timeFromText(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

namespace {

enum Column { Id, Username, Started, Finished, RightAnswers, Passed, Questions, Host, Account };

// A column's stored name: Columns', and the account's, which older journals lack.
QString nameOf(Column column)
{
    return column == Account ? AccountColumn : Columns[column];
}

const QString TimeForm = QStringLiteral("время вида 2026-12-09T10:00:00+03:00");

// What a cell holds, for the report: a long text is cut, since the line names it only to be
// found.
QString described(const FieldValue &value)
{
    constexpr qsizetype shown = 40;
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return QStringLiteral("пусто");
    case FieldValue::Kind::Text: {
        const QString &text = value.asText();
        return QStringLiteral("текст «%1»")
            .arg(text.size() > shown ? text.left(shown) + u'…' : text);
    }
    case FieldValue::Kind::Number:
        return QStringLiteral("число ") + plainDecimal(value.asNumber());
    case FieldValue::Kind::Boolean:
        return QStringLiteral("логическое значение ") + textOf(value, {});
    }
    return {};
}

Damage damage(Column column, const FieldValue &found, const QString &expected)
{
    return {nameOf(column), QStringLiteral("%1 — ожидается %2").arg(described(found), expected)};
}

Cell<QString> textCell(const std::vector<FieldValue> &row, Column column)
{
    const FieldValue &value = row[column];
    if (value.kind() != FieldValue::Kind::Text)
        return damage(column, value, QStringLiteral("текст"));
    // Bytes that are not UTF-8 (a blob another tool stored) read as U+FFFD, which no keyboard
    // types: shown, they would pass for a name nobody can read.
    if (value.asText().contains(QChar::ReplacementCharacter))
        return Damage{nameOf(column),
                      QStringLiteral("байты, которые не являются текстом UTF-8 (двоичные данные) "
                                     "— ожидается текст")};
    return value.asText();
}

// Only the form the program writes: a text that parses as a time but differs from it (no offset,
// a fraction of a second, 24:00) would be shown as another moment than the one stored.
std::optional<QDateTime> timeOf(const FieldValue &value)
{
    if (value.kind() != FieldValue::Kind::Text)
        return std::nullopt;
    const QString &stored = value.asText();
    const QDateTime moment = timeFromText(stored);
    if (!moment.isValid())
        return std::nullopt;
    const QString written = timeText(moment);
    // At UTC the time is written with Z; +00:00 names the same moment.
    if (written != stored &&
        !(stored.endsWith(QStringLiteral("+00:00")) && written == stored.chopped(6) + u'Z'))
        return std::nullopt;
    return moment;
}

std::optional<qint64> wholeNumber(const FieldValue &value, double lowest, double highest)
{
    if (value.kind() != FieldValue::Kind::Number)
        return std::nullopt;
    const double number = value.asNumber();
    if (!(number >= lowest && number <= highest) || number != std::trunc(number))
        return std::nullopt;
    return static_cast<qint64>(number);
}

// The program writes 0 or 1, read back as False or True where the column is declared BOOLEAN.
std::optional<bool> truth(const FieldValue &value)
{
    if (value.kind() == FieldValue::Kind::Boolean)
        return value.asBoolean();
    if (const std::optional<qint64> number = wholeNumber(value, 0, 1))
        return *number == 1;
    return std::nullopt;
}

} // namespace

QString rowsSelect(bool withAccount)
{
    QStringList read = Columns;
    read[Passed] = QStringLiteral("+passed AS passed");
    if (withAccount)
        read.push_back(QStringLiteral("account"));
    return QStringLiteral("SELECT %1 FROM attempts ORDER BY id")
        .arg(read.join(QStringLiteral(", ")));
}

std::vector<Damage> Entry::damages() const
{
    std::vector<Damage> found;
    const auto add = [&found](const auto &cell) {
        if (cell.damaged())
            found.push_back(cell.damage());
    };
    add(id);
    add(username);
    add(started);
    add(finished);
    add(rightAnswers);
    add(passed);
    add(questions);
    add(host);
    add(account);
    return found;
}

Entry entryFromRow(const std::vector<FieldValue> &row)
{
    const auto columns = static_cast<std::size_t>(Columns.size());
    if (row.size() != columns && row.size() != columns + 1)
        throw std::invalid_argument("a journal row has one value per column");

    Entry entry;
    // Beyond 2^53 a stored integer no longer reads back exactly.
    constexpr double exactLimit = 9007199254740992.0;
    if (const auto id = wholeNumber(row[Id], -exactLimit, exactLimit))
        entry.id = *id;
    else
        entry.id = damage(Id, row[Id], QStringLiteral("целое число"));
    entry.username = textCell(row, Username);
    entry.host = textCell(row, Host);
    if (row.size() > columns && !row[columns].isNull())
        entry.account = textCell(row, Account);

    if (const auto started = timeOf(row[Started])) {
        entry.started = *started;
        entry.startedText = row[Started].asText();
    } else
        entry.started = damage(Started, row[Started], TimeForm);

    if (const auto questions = wholeNumber(row[Questions], 0, INT_MAX))
        entry.questions = static_cast<int>(*questions);
    else
        entry.questions = damage(Questions, row[Questions], QStringLiteral("целое число от 0"));

    // The end, the count and the result are written together when the attempt ends.
    const bool ended = !row[Finished].isNull();
    const QString endedNote = QStringLiteral(", раз попытка закончена (есть finished)");
    if (!ended && (!row[RightAnswers].isNull() || !row[Passed].isNull()))
        entry.finished = damage(Finished, row[Finished],
                                TimeForm + QStringLiteral(", раз записан результат попытки"));
    else if (ended) {
        const auto finished = timeOf(row[Finished]);
        if (finished && !entry.started.damaged() && *finished < entry.started.value())
            entry.finished = damage(Finished, row[Finished],
                                    QStringLiteral("время не раньше начала попытки (started)"));
        else if (finished) {
            entry.finished = std::optional(*finished);
            entry.finishedText = row[Finished].asText();
        } else
            entry.finished =
                damage(Finished, row[Finished], TimeForm + QStringLiteral(" или пусто"));
    }

    // A test asks TestLength questions, fewer only from a smaller bank.
    const bool smallBank =
        !entry.questions.damaged() && entry.questions.value() < Rules::TestLength;
    const int most = smallBank ? entry.questions.value() : Rules::TestLength;
    const QString count = QStringLiteral("целое число от 0 до %1 (%2)")
                              .arg(most)
                              .arg(smallBank ? QStringLiteral("вопросов в банке")
                                             : QStringLiteral("вопросов в тесте"));
    if (row[RightAnswers].isNull()) {
        if (ended)
            entry.rightAnswers = damage(RightAnswers, row[RightAnswers], count + endedNote);
    } else if (const auto right = wholeNumber(row[RightAnswers], 0, most))
        entry.rightAnswers = std::optional(static_cast<int>(*right));
    else
        entry.rightAnswers =
            damage(RightAnswers, row[RightAnswers], count + QStringLiteral(" или пусто"));

    if (row[Passed].isNull()) {
        if (ended)
            entry.passed = damage(Passed, row[Passed], QStringLiteral("0 или 1") + endedNote);
    } else if (const auto passed = truth(row[Passed])) {
        // The result is the count against the pass mark; one that contradicts the count would
        // show a pass nobody earned, or hide one.
        const bool counted = !entry.rightAnswers.damaged() && entry.rightAnswers.value();
        if (counted && *passed != (*entry.rightAnswers.value() >= Rules::PassMark))
            entry.passed =
                Damage{Columns[Passed],
                       QStringLiteral("%1 (%2) при %3 правильных — ожидается %4: проходной балл %5")
                           .arg(*passed ? 1 : 0)
                           .arg(*passed ? QStringLiteral("сдан") : QStringLiteral("не сдан"))
                           .arg(*entry.rightAnswers.value())
                           .arg(*passed ? 0 : 1)
                           .arg(Rules::PassMark)};
        else
            entry.passed = std::optional(*passed);
    } else
        entry.passed = damage(Passed, row[Passed], QStringLiteral("0, 1 или пусто"));
    return entry;
}

} // namespace Journal
