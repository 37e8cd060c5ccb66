#pragma once

#include <QtGlobal>

#include <vector>

class Runtime;

// Draws the id of a question not yet asked: re-seeds, takes r * U rounded down (U the upper
// index of drawnIds, the last id + 1) and tries again while the candidate is already among the
// drawn ids, 0 included. `asked` is how many ids the list holds (its elements 1..asked); the rest
// are 0.
qint16 drawQuestionId(Runtime &runtime, const std::vector<qint16> &drawnIds, int asked);
