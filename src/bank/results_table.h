#pragma once

#include "store/journal.h"

#include <QString>

#include <vector>

// An attempt as `results` lists it, with the bank it was read from.
struct ResultRow
{
    Journal::Entry attempt;
    QString bank;
};

// The attempts for people: aligned columns under Russian headings, times as local time with
// the offset; «попыток нет» under the headings when there are none. `showBank` adds the bank's
// column, for attempts read from several banks.
QString resultsTable(const std::vector<ResultRow> &rows, bool showBank);

// The same for spreadsheets: UTF-8 with a byte-order mark, `;` between fields, CR LF line ends,
// a field with `;`, `"` or a line break in double quotes; times in ISO 8601 with the offset.
QString resultsCsv(const std::vector<ResultRow> &rows, bool showBank);
