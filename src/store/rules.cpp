#include "rules.h"

namespace Rules {

qsizetype fullNameLength(const QString &fullName)
{
    // A pair of surrogates is one character; a surrogate alone counts as one too.
    qsizetype length = 0;
    for (qsizetype i = 0; i < fullName.size(); ++i) {
        if (fullName[i].isHighSurrogate() && i + 1 < fullName.size() &&
            fullName[i + 1].isLowSurrogate())
            ++i;
        ++length;
    }
    return length;
}

QString fullNameTooLong()
{
    return QStringLiteral("Фамилия, имя и отчество вместе длиннее %1 знаков, пожалуйста сократите")
        .arg(LongestFullName);
}

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
