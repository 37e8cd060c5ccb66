#include "question_field.h"

#include <QString>

const QVariant &fieldOf(const QuestionRow &row, QuestionField field)
{
    return fieldOf(const_cast<QuestionRow &>(row), field);
}

QVariant &fieldOf(QuestionRow &row, QuestionField field)
{
    switch (field) {
    case QuestionField::Question:
        return row.question;
    case QuestionField::Answer1:
        return row.answers[0];
    case QuestionField::Answer2:
        return row.answers[1];
    case QuestionField::Answer3:
        return row.answers[2];
    case QuestionField::Answer4:
        return row.answers[3];
    case QuestionField::Ball:
        return row.ball;
    case QuestionField::Picture:
        return row.picture;
    case QuestionField::Type:
        break;
    }
    return row.type;
}

QString fieldName(QuestionField field)
{
    switch (field) {
    case QuestionField::Question:
        return QStringLiteral("текста");
    case QuestionField::Answer1:
        return QStringLiteral("ответа 1");
    case QuestionField::Answer2:
        return QStringLiteral("ответа 2");
    case QuestionField::Answer3:
        return QStringLiteral("ответа 3");
    case QuestionField::Answer4:
        return QStringLiteral("ответа 4");
    case QuestionField::Ball:
        return QStringLiteral("верных ответов");
    case QuestionField::Picture:
        return QStringLiteral("рисунка");
    case QuestionField::Type:
        break;
    }
    return QStringLiteral("вида");
}

bool isTypedField(QuestionField field)
{
    return field != QuestionField::Ball && field != QuestionField::Type;
}

bool isSearchedField(QuestionField field)
{
    return field != QuestionField::Ball && field != QuestionField::Picture &&
           field != QuestionField::Type;
}
