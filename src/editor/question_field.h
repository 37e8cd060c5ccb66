#pragma once

#include "store/bank_tables.h"

// A column of the questions table the editor changes; the id is the document's to number.
enum class QuestionField { Question, Answer1, Answer2, Answer3, Answer4, Ball, Picture, Type };

const QVariant &fieldOf(const QuestionRow &row, QuestionField field);
QVariant &fieldOf(QuestionRow &row, QuestionField field);
// The column's name in the bank, for messages and undo texts.
QString columnName(QuestionField field);
// Whether the field is typed as text, so consecutive keystrokes make one undo step.
bool isTypedField(QuestionField field);
// Whether the field is one the search looks in.
bool isSearchedField(QuestionField field);
