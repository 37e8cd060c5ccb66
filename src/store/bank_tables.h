#pragma once

#include <QVariant>

#include <array>
#include <vector>

// The rows of a bank's two tables, value for value as they are stored: a Null is a null
// QVariant, a whole number a qlonglong, a text a QString, a Boolean a bool. What the text
// source, an Access/Jet file and a bank file all read into and are written from.
struct QuestionRow
{
    QVariant id;
    QVariant question;
    std::array<QVariant, 4> answers; // answ1 .. answ4
    QVariant ball;
    QVariant picture;
    QVariant type;
};

struct UserRow
{
    QVariant id;
    QVariant username;
    QVariant chek;
};

struct BankTables
{
    std::vector<QuestionRow> questions;
    std::vector<UserRow> users;
};
