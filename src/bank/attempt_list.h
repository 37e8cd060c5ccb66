#pragma once

#include "command_line.h"
#include "results_table.h"

#include <QDate>
#include <QStringList>

#include <optional>
#include <vector>

// The attempts `results` and `protocol` list, read and ordered the one way, so that the
// commission's protocol and the staff's listing never disagree on who sat, in which order, and
// which tries were repeated.

// The days asked for, each end included, as the workstation's own calendar dates.
struct AttemptDays
{
    std::optional<QDate> since;
    std::optional<QDate> until;
};

// --since and --until (sinceOption, untilOption) read from a parsed command line; a value that is
// no date ГГГГ-ММ-ДД is named on the error stream and gives none.
std::optional<AttemptDays> attemptDays(const CommandLine &line, Console &console);

struct AttemptList
{
    std::vector<ResultRow> rows;
    // The banks whose journal could not be read, each named on the error stream.
    int unreadBanks = 0;
    // Whether a cell of a listed attempt is damaged; each is named on the error stream.
    bool damaged = false;
};

// The attempts of the banks' journals within `days`, merged in the order the attempts started
// (moments, not texts: workstations may keep different offsets), those whose start is damaged
// last; repeated attempts marked (markRepeats).
AttemptList listAttempts(const QStringList &banks, const AttemptDays &days, Console &console);

// The marks of repeated attempts, one per name in the order listed: an attempt of a name that has
// several is «повторная» from its second on (the first says how many there are); names equal only
// after case-folding, collapsing spaces or reading ё as е are marked «возможно повторная». None
// for a name that is missing (a damaged cell) or has one attempt.
std::vector<QString> repeatMarks(const std::vector<std::optional<QString>> &names);

// The same for listed rows, set as each row's `repeat`.
void markRepeats(std::vector<ResultRow> &rows);
