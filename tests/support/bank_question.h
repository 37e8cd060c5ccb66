#pragma once

#include "store/bank_tables.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

// A well-formed question as a test or a generator builds one: a number, a kind, an optional
// picture, four answers and which of them are right.
struct BankQuestion
{
    int id = 0;
    int type = 0;
    std::optional<int> picture;
    QString question;
    std::array<QString, 4> answers;
    std::array<bool, 4> right{};

    // The stored code of the right answers: the sum of the weights 1, 4, 8, 16 of their
    // positions.
    int ball() const;
    QuestionRow row() const;
};

// Writes a new bank at `path` of the built questions, with an empty attempt record.
void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions);
