#pragma once

#include "bank_tables.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Replaces the questions of the existing bank at `path` with `questions` and keeps the rest of
// the file as it is at that moment: the attempt record, the results journal and any other table,
// row for row, and the file's group and mode (a sealed bank stays sealed). The engine's write
// lock is held meanwhile, waited for as the exam waits for it, so that a result being written is
// kept and none is written in between. The new file is written beside the bank and renamed over
// it in one step: a failure leaves the bank as it was. Throws std::runtime_error with the reason
// in Russian, naming the file. Returns the bytes the file holds afterwards.
QByteArray saveBankQuestions(const QString &path, const std::vector<QuestionRow> &questions);

// Adds to the existing bank at `path` the tables of the results journal it lacks (`attempts`,
// `answers`), empty, as a bank made now has them. They are added in the file itself, in one
// transaction of the engine's under its write lock, waited for as a save waits: every row of every
// other table and the file's owner, group and mode stay as they are, and an exam writing its
// result meanwhile writes it into this same file. Throws std::runtime_error with the reason in
// Russian, naming the file. Returns the names of the tables added, none when it had them all.
QStringList addJournalTables(const QString &path);
