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

qint16 codeOfTicks(const Ticks &ticks)
{
    qint16 code = 0;
    for (std::size_t k = 0; k < ticks.size(); ++k)
        if (ticks[k])
            code = qint16(code + AnswerWeights[k]);
    return code;
}

std::optional<Ticks> ticksGiving(int type, double code)
{
    if (type != OptionButtons && type != CheckBoxes)
        return std::nullopt;
    for (int set = 1; set < 16; ++set) {
        Ticks ticks{};
        int count = 0;
        for (std::size_t k = 0; k < ticks.size(); ++k)
            if (set & (1 << k)) {
                ticks[k] = true;
                ++count;
            }
        if ((type == CheckBoxes || count == 1) && codeOfTicks(ticks) == code)
            return ticks;
    }
    return std::nullopt;
}

bool ticksCanGive(int type, double code)
{
    return ticksGiving(type, code).has_value();
}

} // namespace Rules
