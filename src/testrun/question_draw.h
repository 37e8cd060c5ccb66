#pragma once

#include "store/question_draw.h"

class Runtime;

// The runtime's random numbers as the draw takes them: the generator re-seeded from the system
// timer before each (Randomize, then Rnd).
ReseededRandom reseededRandom(Runtime &runtime);
