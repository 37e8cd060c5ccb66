#pragma once

#include <QString>
#include <QStringView>

// A noun in the three forms Russian puts after a number: after one (1, 21, 101 …), after two to
// four (2, 23, 104 …) and after any other (0, 5 to 20, 25, 111 to 114 …). The one way our texts
// write a count with its noun.
struct CountedNoun
{
    QStringView one;  // 1 вопрос
    QStringView few;  // 3 вопроса
    QStringView many; // 5 вопросов
};

// The nouns our texts count.
namespace Nouns {
inline constexpr CountedNoun Question{u"вопрос", u"вопроса", u"вопросов"};
inline constexpr CountedNoun Answer{u"ответ", u"ответа", u"ответов"};
inline constexpr CountedNoun Problem{u"проблема", u"проблемы", u"проблем"};
inline constexpr CountedNoun Warning{u"предупреждение", u"предупреждения", u"предупреждений"};
inline constexpr CountedNoun Point{u"точка", u"точки", u"точек"};
} // namespace Nouns

// The form of `noun` that follows `count`.
QStringView nounAfter(qint64 count, const CountedNoun &noun);
// The count and its noun, as a text says them: "1 вопрос", "3 вопроса", "11 вопросов".
QString counted(qint64 count, const CountedNoun &noun);
