#pragma once

#include "bank_tables.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A bank file's bytes, built and changed in memory, so that what a save will write can be looked
// at before it is written. Every function throws std::runtime_error with the reason in Russian.

// A new bank holding `tables` value for value; without a `users` row it gets the attempt record's
// single row (id 1, no name, not passed), and always an empty results journal.
QByteArray bankImage(const BankTables &tables);

// `base`, the bytes of a bank file, with its questions replaced by `questions`. Every other table
// (the attempt record, the journal) keeps its rows exactly as the base holds them.
QByteArray bankImageWithQuestions(const QByteArray &base,
                                  const std::vector<QuestionRow> &questions);

// Replaces the questions of the bank `db` holds, in the transaction the caller has begun; every
// other table keeps its rows. Throws SqliteError, or std::runtime_error for a key that is not one.
class SqliteConnection;
void replaceQuestions(SqliteConnection &db, const std::vector<QuestionRow> &questions);

// The bytes of the bank file at `path`, read in one go under the engine's read lock, never
// changing it. A bank in write-ahead mode with no log beside it is read as the bytes it is: the
// engine, opening it even only to read, would leave its log and index files beside it, and the
// keeper and the next opening would refuse the bank for them.
QByteArray readBankImage(const QString &path);

// True for a bank file in write-ahead mode with no log or index file beside it: one the engine
// would leave those files beside, so it is looked at through readBankImage instead.
bool writeAheadWithoutLog(const QString &path);
