#pragma once

#include "store/bank_tables.h"

#include <QString>

// Reads the questions and users tables of an Access/Jet file (Jet 3, Jet 4, ACE as far as the
// library reads it), opened read-only and never changed. `codepage` overrides the code page of
// Jet 3 text (e.g. "CP1251"/"1251"/"windows-1251"); empty: the file's own.
// Throws std::runtime_error with a Russian UTF-8 message when the file is refused.
BankTables readJetBank(const QString &path, const QString &codepage = {});
