#include "question_draw.h"

#include "screens/runtime.h"

ReseededRandom reseededRandom(Runtime &runtime)
{
    return [&runtime] {
        runtime.Randomize();
        return runtime.Rnd();
    };
}
