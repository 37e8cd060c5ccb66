#pragma once

#include "store/bank_tables.h"

#include <QString>

#include <chrono>

// Reads the questions and users tables of an Access/Jet file (Jet 3, Jet 4, ACE as far as the
// library reads it), opened read-only and never changed. `codepage` overrides the code page of
// Jet 3 text (e.g. "CP1251"/"1251"/"windows-1251"); empty: the file's own.
// The file is read by the helper quorvane-jet-read in a child process with limits on time,
// memory and output: a file that crashes the library or makes it loop is refused like any other.
// Throws std::runtime_error with a Russian UTF-8 message when the file is refused.
BankTables readJetBank(const QString &path, const QString &codepage = {});

// How readJetBank runs its helper.
struct JetReadHelper
{
    QString program; // empty: quorvane-jet-read beside the running program
    std::chrono::seconds timeLimit{30};
};

// For the rest of the process; the tests name the helper of the build folder.
void setJetReadHelper(const JetReadHelper &helper);
