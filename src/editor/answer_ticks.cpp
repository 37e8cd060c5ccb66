#include "answer_ticks.h"

#include "store/field_value.h"
#include "store/rules.h"
#include "store/sqlite.h"

namespace {

bool isWholeNumber(const QVariant &value)
{
    return !value.isNull() &&
           (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int);
}

} // namespace

QuestionKind kindOf(const QVariant &type)
{
    const std::optional<double> number = numberOf(readValue(type));
    if (number == double(Rules::OptionButtons))
        return QuestionKind::OptionButtons;
    if (number == double(Rules::CheckBoxes))
        return QuestionKind::CheckBoxes;
    return QuestionKind::NoAnswers;
}

std::optional<std::array<bool, 4>> ticksOf(const QVariant &ball, const QVariant &type)
{
    const QuestionKind kind = kindOf(type);
    if (kind == QuestionKind::NoAnswers || !isWholeNumber(ball))
        return std::nullopt;
    const qlonglong code = ball.toLongLong();
    const int rulesType =
        kind == QuestionKind::CheckBoxes ? Rules::CheckBoxes : Rules::OptionButtons;
    if (!Rules::ticksCanGive(rulesType, double(code)))
        return std::nullopt;
    // The weights' sums are all different, so exactly one set of ticks gives the code.
    for (int set = 1; set < 16; ++set) {
        std::array<bool, 4> ticks{};
        for (std::size_t k = 0; k < ticks.size(); ++k)
            ticks[k] = set & (1 << k);
        if (codeOf(ticks) == code)
            return ticks;
    }
    return std::nullopt;
}

qlonglong codeOf(const std::array<bool, 4> &ticks)
{
    qlonglong code = 0;
    for (std::size_t k = 0; k < ticks.size(); ++k)
        if (ticks[k])
            code += Rules::AnswerWeights[k];
    return code;
}
