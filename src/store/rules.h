#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The exam's fixed rules, which the bank's format and every program that reads a bank share.
namespace Rules {

inline constexpr int TestLength = 40;
inline constexpr int PassMark = 32;
// 181 seconds: the countdown shows 03:00 down to 00:00.
inline constexpr int QuestionSeconds = 181;
// The keeper hands no question over sooner than a second after the one before, nor the count
// sooner than a second after the 40th answer: no run through it is faster than this.
inline constexpr int FastestRunSeconds = 40;
// The largest bank: the drawn ids are 16-bit.
inline constexpr int LargestBank = 32767;
inline constexpr int LargestPicture = 32767;

// The weight of each answer position 1 to 4. There is no weight 2: the stored codes of the bank
// are written with these weights, so they are part of its format.
inline constexpr std::array<qint16, 4> AnswerWeights{1, 4, 8, 16};
// The code of all four ticked, the highest an answer can have.
inline constexpr int HighestAnswerCode = 29;

// The type of a question whose answers are option buttons (one right answer) or check boxes.
inline constexpr int OptionButtons = 0;
inline constexpr int CheckBoxes = 1;

// The longest full name an exam takes, in characters (Unicode code points), spaces counted: the
// width of an Access text column, and far more than any surname, first name and patronymic need.
// Any such name fits in one request to the keeper, at four bytes a character at most.
inline constexpr int LongestFullName = 255;
// The length of a full name as LongestFullName counts it.
qsizetype fullNameLength(const QString &fullName);
// The refusal of a longer name, before anything is written: the same words on both paths.
QString fullNameTooLong();

// The ticked answer positions 1 to 4 of a question.
using Ticks = std::array<bool, 4>;

// The code of a set of ticks: the sum of the weights of the ticked positions, 0 to 29.
qint16 codeOfTicks(const Ticks &ticks);

// The ticks of a question of `type` that give `code`: one answer of an option-button question,
// any non-empty set of a check-box one. None when no such ticks give it (a code that is no sum
// of the weights, several answers with option buttons, a kind that shows no answers). The sums of
// the weights all differ, so there is never more than one set.
std::optional<Ticks> ticksGiving(int type, double code);

// Whether ticks of a question of `type` can give `code`.
bool ticksCanGive(int type, double code);

} // namespace Rules
