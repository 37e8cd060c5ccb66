#include "answer_rows.h"

AnswerOption::AnswerOption(QWidget *parent) : QRadioButton(parent)
{
    setBackgroundRole(QPalette::Window);
}

bool AnswerOption::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

AnswerCheck::AnswerCheck(QWidget *parent) : QCheckBox(parent)
{
    setBackgroundRole(QPalette::Window);
}

bool AnswerCheck::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}
