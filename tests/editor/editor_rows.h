#pragma once

#include "store/bank_tables.h"

#include <QString>

#include <ostream>
#include <vector>

// A question as a bank stores it: id, text, four answers, code 1, no picture, option buttons.
QuestionRow storedRow(QVariant id, const QString &question);

// The differences between two lists of rows, value for value and kind for kind (a text "3" is
// not the number 3); empty when they are the same.
QString rowDifferences(const std::vector<QuestionRow> &expected,
                       const std::vector<QuestionRow> &actual);

// The rows' ids as text, e.g. "1 2 5 «7» 3", for messages and comparisons.
QString idsOf(const std::vector<QuestionRow> &rows);

// Failures show texts as text.
void PrintTo(const QString &text, std::ostream *out);
