#pragma once

#include <QString>

#include <array>
#include <optional>
#include <vector>

// One question as the bank's text source writes it.
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
};

// Reads the text form of a bank: blocks of "[id]", "type:", optional "picture:", "question:" and
// four "answer:" lines, "answer*:" marking a right one; '#' starts a comment line. Ids run from 1
// without gaps; a single-choice question has exactly one right answer, a multiple-choice one at
// least one. Throws std::runtime_error naming the line of the first fault.
std::vector<BankQuestion> parseBank(const QString &text);
