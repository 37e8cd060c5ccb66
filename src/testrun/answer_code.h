#pragma once

#include <QtGlobal>

#include <array>

// The weight of each answer position 1 to 4. There is no weight 2: the stored codes of the bank
// are written with these weights, so they are part of its format.
inline constexpr std::array<qint16, 4> AnswerWeights{1, 4, 8, 16};

// The code of a set of ticked answer positions: the sum of their weights (0 to 29).
qint16 answerCode(const std::array<bool, 4> &ticked);
