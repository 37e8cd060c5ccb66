#include "question_draw.h"

#include <algorithm>
#include <cmath>

qint16 drawUnaskedId(const ReseededRandom &random, const std::vector<qint16> &drawnIds, int asked)
{
    const auto upper = static_cast<double>(drawnIds.size() - 1);
    // Element 0 and every element past the asked ones hold 0, so looking at the asked ones and
    // at 0 finds exactly what a look at the whole list would.
    const auto askedEnd = drawnIds.begin() + std::min<std::size_t>(asked + 1, drawnIds.size());
    for (;;) {
        const auto candidate = static_cast<qint16>(std::floor(random() * upper));
        if (candidate != 0 && std::find(drawnIds.begin(), askedEnd, candidate) == askedEnd)
            return candidate;
    }
}
