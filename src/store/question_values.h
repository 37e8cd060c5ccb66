#pragma once

#include "store/field_value.h"

#include <array>

class Recordset;
struct QuestionRow;

// What the window shows of a question, as the bank holds it: read from the open bank, or
// handed over by the keeper of a sealed one. Never the code of the right answers.
struct QuestionValues
{
    FieldValue question = FieldValue::null();
    FieldValue type = FieldValue::null();
    std::array<FieldValue, 4> answers{FieldValue::null(), FieldValue::null(), FieldValue::null(),
                                      FieldValue::null()};
    FieldValue picture = FieldValue::null();

    // The columns, in the order the keeper hands them over: question, type, answ1 to answ4,
    // picture.
    static const std::array<const char *, 7> Columns;
    static QuestionValues fromRecord(const Recordset &question);
    // A row as a bank file stores it, read as the program reads it.
    static QuestionValues fromRow(const QuestionRow &row);
};
