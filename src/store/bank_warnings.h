#pragma once

#include "field_value.h"

#include <QStringList>

#include <array>
#include <functional>

class Database;
struct QuestionRow;

// A question the draw can reach, its values as the program reads them.
struct AskedQuestion
{
    int id = 0;
    FieldValue type = FieldValue::null();
    FieldValue question = FieldValue::null();
    std::array<FieldValue, 4> answers{FieldValue::null(), FieldValue::null(), FieldValue::null(),
                                      FieldValue::null()};
    FieldValue ball = FieldValue::null();
    FieldValue picture = FieldValue::null();

    // A row as a bank file stores it, read as the program reads it.
    static AskedQuestion fromRow(const QuestionRow &row);

    // Whether the question shows its answers (as option buttons or as check boxes).
    bool showsAnswers() const;
    bool showsCheckBoxes() const;
};

// Every question with an id from 1 to `lastId`, in the order of their ids, as the question's
// select finds it (the first row of its id).
void forEachAskedQuestion(Database &basa, int lastId,
                          const std::function<void(const AskedQuestion &)> &take);

// What in a question's values would hurt an examinee although the exam runs: a kind that shows no
// answers (other than 0 and 1), a code no ticks can give (a Null one, one read as True or False),
// a question or a shown answer with no text to read. Each without the question's number.
QStringList valueWarnings(const AskedQuestion &question);
