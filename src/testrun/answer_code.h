#pragma once

#include "store/rules.h"

#include <QtGlobal>

#include <array>

using Rules::AnswerWeights;

// The code of a set of ticked answer positions: the sum of their weights (0 to 29).
qint16 answerCode(const std::array<bool, 4> &ticked);
