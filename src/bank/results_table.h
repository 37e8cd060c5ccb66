#pragma once

#include "store/journal.h"

#include <QString>

#include <vector>

// An attempt as `results` lists it, with the bank it was read from and its mark as a repeated
// attempt (markRepeats), empty for none.
struct ResultRow
{
    Journal::Entry attempt;
    QString bank;
    QString repeat;
};

// What a damaged cell of the journal shows, in both forms.
inline const QString DamagedCell = QStringLiteral("повреждено");

// The result of an attempt in words: «сдан», «не сдан», «не закончен» or DamagedCell.
QString resultText(const Journal::Entry &attempt);

// The attempts for people: aligned columns under Russian headings, times as local time with
// the offset; «попыток нет» under the headings when there are none. `showBank` adds the bank's
// column, for attempts read from several banks.
QString resultsTable(const std::vector<ResultRow> &rows, bool showBank);

// The same for spreadsheets: UTF-8 with a byte-order mark, `;` between fields, CR LF line ends,
// a field with `;`, `"` or a line break in double quotes; times in ISO 8601 as stored (with the
// offset, or "Z" at UTC). Texts are kept as stored.
QString resultsCsv(const std::vector<ResultRow> &rows, bool showBank);

// The start of a CSV text: the byte-order mark, which tells a spreadsheet program the text is
// UTF-8, not the locale's code page.
inline const QString CsvStart = QString(QChar(0xFEFF));
// One line of CSV as resultsCsv writes it, CR LF included. A column for which `number` is true
// holds a number the program wrote ("-0,25"), taken as it is: the guard that keeps a stored text
// from running as a formula would make it text.
QString csvRecord(const QStringList &values, bool (*number)(qsizetype column) = nullptr);

// Lines of columns aligned for a terminal, the first line being the headings: a column for which
// `numeric` is true aligned to the right. Texts are shown as visibleText shows them.
QString alignedTable(std::vector<QStringList> lines, bool (*numeric)(qsizetype column));

// A damaged cell of the journal as `results` names it: the attempt by its id (by its place in
// the journal, `row` from 0, when the id itself is damaged), the column and what it holds
// instead of what the program writes.
QString damageText(const Journal::Entry &attempt, std::size_t row, const Journal::Damage &damage);

// A text as a terminal can show it: control characters, line and paragraph separators and
// invisible format characters (direction overrides among them) are written as their codes,
// \x1b or \u202e, so that a stored text can neither drive the terminal nor hide or reorder
// what is around it.
QString visibleText(const QString &text);
