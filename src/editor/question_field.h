#pragma once

#include "store/bank_tables.h"

// A column of the questions table the editor changes; the id is the document's to number.
enum class QuestionField { Question, Answer1, Answer2, Answer3, Answer4, Ball, Picture, Type };

const QVariant &fieldOf(const QuestionRow &row, QuestionField field);
QVariant &fieldOf(QuestionRow &row, QuestionField field);
// What the field is, in the genitive as the undo texts name it («Правка ответа 1 вопроса 3»).
QString fieldName(QuestionField field);
// Whether the field is typed as text, so consecutive keystrokes make one undo step.
bool isTypedField(QuestionField field);
// Whether the field is one the search looks in.
bool isSearchedField(QuestionField field);
