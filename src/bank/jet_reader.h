#pragma once

#include "store/bank_tables.h"

#include <QString>

// An Access/Jet bank's tables, read-only; throws std::runtime_error (Russian) when refused.
BankTables readJetBank(const QString &path, const QString &codepage = {});
