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
    return Rules::ticksGiving(kind == QuestionKind::CheckBoxes ? Rules::CheckBoxes
                                                               : Rules::OptionButtons,
                              double(ball.toLongLong()));
}

qlonglong codeOf(const std::array<bool, 4> &ticks)
{
    return Rules::codeOfTicks(ticks);
}
