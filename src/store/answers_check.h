#pragma once

#include <QStringList>

class Database;

// What is wrong in the answers a bank keeps (table `answers`), one line each in Russian: rows
// holding what the exam never writes, and finished attempts whose answers do not add up to their
// journal row. None for a bank without the table or without a column the exam writes (the
// opening check names that). Throws RuntimeError when the table cannot be read.
QStringList answersProblems(Database &basa);
