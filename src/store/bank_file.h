#pragma once

#include "bank_tables.h"
#include "journal.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

// Writes a new data.mdb at `path` holding the tables value for value; without a `users` row it
// gets the attempt record's single row (id 1, no name, not passed). The file is built beside
// `path` and moved over it in one step, so a failure leaves whatever was there; a link there is
// replaced, never followed. Without `replace`, anything at `path` (a dangling link too) refuses
// the write. Throws std::runtime_error with the reason in Russian. Returns the bytes written.
QByteArray writeBankTables(const QString &path, const BankTables &tables, bool replace = true);

// Reads the two tables of a data.mdb without changing it, rows in the order the file returns
// them. Throws std::runtime_error with the reason in Russian.
BankTables readBankTables(const QString &path);
// The same from the bytes of a bank file (readBankImage), named `shownPath` in messages.
BankTables readBankTables(const QByteArray &image, const QString &shownPath);

// Reads the results journal of a data.mdb without changing it, in the order the rows were
// added; a cell that is not what the program writes comes back damaged (Journal::entryFromRow).
// A bank without the journal (made by another tool) is refused: throws std::runtime_error with
// the reason in Russian.
std::vector<Journal::Entry> readJournal(const QString &path);
// The same from a bank already open (the check reads it as `results` does).
std::vector<Journal::Entry> readJournal(Database &db);

// The tables of data.mdb, the results journal among them. `chek` is declared BOOLEAN, so it
// reads back as True or False.
extern const char *const BankSchema[];
