#include "rules.h"

namespace Rules {

bool ticksCanGive(int type, double code)
{
    for (int set = 1; set < 16; ++set) {
        int sum = 0;
        int count = 0;
        for (int k = 0; k < 4; ++k)
            if (set & (1 << k)) {
                sum += AnswerWeights[k];
                ++count;
            }
        if ((type == CheckBoxes || count == 1) && sum == code)
            return true;
    }
    return false;
}

} // namespace Rules
