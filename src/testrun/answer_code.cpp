#include "answer_code.h"

#include "store/runtime_error.h"

qint16 answerCode(const std::array<bool, 4> &ticked)
{
    qint16 code = 0;
    for (std::size_t k = 0; k < ticked.size(); ++k)
        if (ticked[k] && __builtin_add_overflow(code, AnswerWeights[k], &code))
            throw Errors::overflow(QStringLiteral("код ответа"));
    return code;
}
