#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

// The next random number, 0 <= r < 1, of a generator re-seeded before it is drawn.
using ReseededRandom = std::function<double()>;

// Draws the id of a question not yet asked: takes r * U rounded down (U the upper index of
// drawnIds, the last id + 1, r from a generator re-seeded for every try) and tries again while
// the candidate is already among the drawn ids, 0 included. `asked` is how many ids the list
// holds (its elements 1..asked); the rest are 0. The exam window and the keeper both draw here.
qint16 drawUnaskedId(const ReseededRandom &random, const std::vector<qint16> &drawnIds, int asked);
