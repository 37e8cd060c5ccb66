#pragma once

#include "bank_source.h"

#include <QString>

// Writes a new data.mdb at `path` holding the questions and the attempt record's single row
// (id 1, no name, not passed). An existing file is replaced only once the new one is complete.
// Throws std::runtime_error with the reason.
void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions);

// The tables of data.mdb. `chek` is declared BOOLEAN, so it reads back as True or False.
extern const char *const BankSchema[];
