#pragma once

#include "store/bank_tables.h"

#include <QString>

// Reads the questions and users tables of an Access/Jet file with libmdb, in this process. libmdb
// trusts what it reads: a damaged file can crash it or make it loop, so only the reading helper
// (quorvane-jet-read) calls this, under limits; everyone else calls readJetBank (jet_reader.h).
// `codepage` as for readJetBank. Throws std::runtime_error with a Russian UTF-8 message when the
// file is refused.
BankTables readJetFile(const QString &path, const QString &codepage);
