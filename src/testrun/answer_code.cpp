#include "answer_code.h"

#include "store/rules.h"

qint16 answerCode(const std::array<bool, 4> &ticked)
{
    return Rules::codeOfTicks(ticked);
}
