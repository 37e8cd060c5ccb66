#pragma once

#include "bank_tables.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Replaces the questions of the existing bank at `path` with `questions` and keeps the rest of
// the file as it is at that moment: the attempt record, the results journal and any other table,
// row for row, and the file's group and mode (a sealed bank stays sealed). The engine's write
// lock is held meanwhile, waited for as the exam waits for it, so that a result being written is
// kept and none is written in between. The new file is written beside the bank and renamed over
// it in one step: a failure leaves the bank as it was. Throws std::runtime_error with the reason
// in Russian, naming the file. Returns the bytes the file holds afterwards.
QByteArray saveBankQuestions(const QString &path, const std::vector<QuestionRow> &questions);
