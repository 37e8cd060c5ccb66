#pragma once

#include <QVariant>

#include <array>
#include <optional>

// How a question's answers are shown, read from its stored `type` as the exam reads it.
enum class QuestionKind { OptionButtons, CheckBoxes, NoAnswers };

QuestionKind kindOf(const QVariant &type);

// The ticks that give the stored code `ball` to a question of `type`: none when no ticks can
// (a code that is no sum of the weights, several answers with option buttons, a question that
// shows no answers) or when `ball` is not a stored whole number (Null, a text, a Boolean).
std::optional<std::array<bool, 4>> ticksOf(const QVariant &ball, const QVariant &type);

// The stored code of a set of ticks: the sum of the weights of the ticked positions.
qlonglong codeOf(const std::array<bool, 4> &ticks);
