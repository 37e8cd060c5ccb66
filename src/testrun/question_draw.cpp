#include "question_draw.h"

#include "screens/runtime.h"
#include "store/question_draw.h"

qint16 drawQuestionId(Runtime &runtime, const std::vector<qint16> &drawnIds, int asked)
{
    return drawUnaskedId(
        [&runtime] {
            runtime.Randomize();
            return runtime.Rnd();
        },
        drawnIds, asked);
}
