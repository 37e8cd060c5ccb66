#include "counted.h"

QStringView nounAfter(qint64 count, const CountedNoun &noun)
{
    const qint64 n = count < 0 ? -(count % 100) : count % 100;
    if (n >= 11 && n <= 14)
        return noun.many;
    switch (n % 10) {
    case 1:
        return noun.one;
    case 2:
    case 3:
    case 4:
        return noun.few;
    default:
        return noun.many;
    }
}

QString counted(qint64 count, const CountedNoun &noun)
{
    QString text = QString::number(count);
    text += u' ';
    text += nounAfter(count, noun);
    return text;
}
